// The frames of an animated picture as the conversion reads them: with
// their delays, a still picture as one frame, a GIF cut short refused.
#include "tests/ui/animated_gif.h"
#include "ui/picture_frames.h"

#include <QTemporaryDir>
#include <QTest>

class CPictureFramesTest : public QObject {
    Q_OBJECT

private slots:
    // How each frame is composed, the conversion tests check through their cells.
    void framesComeOneByOneWithTheirDelays()
    {
        CPictureFrames frames;
        QString strError;
        QVERIFY(frames.Open(Write("anim.gif", MakeAnimatedGif(48, 32, kDisposalFrames)), &strError));
        QCOMPARE(frames.Count(), 4);
        QImage frame;
        QList<int> vDelays;
        for (int nDelay = -1; frames.Next(&frame, &nDelay, &strError);)
            vDelays << nDelay;
        QCOMPARE(vDelays, (QList<int>{100, 200, 200, 300}));
        QCOMPARE(frame.size(), QSize(48, 32));
    }

    void aStillPictureIsOneFrameAndFramesCutShortAreRefused()
    {
        QImage img(10, 10, QImage::Format_RGB32);
        img.fill(Qt::red);
        CPictureFrames frames;
        QString strError;
        QVERIFY(img.save(m_dir.filePath(QStringLiteral("still.png"))));
        QVERIFY(frames.Open(m_dir.filePath(QStringLiteral("still.png")), &strError));
        QCOMPARE(frames.Count(), 1);
        // Cut in its third frame: Qt would give the two before it as the whole picture.
        const std::string whole = MakeAnimatedGif(48, 32, kDisposalFrames);
        QVERIFY(!frames.Open(Write("cut.gif", whole.substr(0, whole.size() * 3 / 4)), &strError));
        QVERIFY(strError.contains(QStringLiteral("cut short")));
        QVERIFY(frames.Open(Write("untrailed.gif", whole.substr(0, whole.size() - 1)), &strError));
        QCOMPARE(frames.Count(), 4);
        // Bytes that start no block, after a whole frame.
        QVERIFY(!frames.Open(Write("junk.gif", whole.substr(0, whole.size() - 1) + "junk"), &strError));
    }

private:
    QString Write(const char* pszName, const std::string& data)
    {
        return WriteBytes(m_dir.filePath(QString::fromLatin1(pszName)), data);
    }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(CPictureFramesTest)

#include "picture_frames_test.moc"
