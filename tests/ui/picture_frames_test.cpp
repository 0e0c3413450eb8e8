// The frames of an animated picture as the conversion reads them: composed
// by the GIF disposal rules, with their delays, and a still picture as one
// frame.
#include "tests/ui/animated_gif.h"
#include "ui/picture_frames.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class CPictureFramesTest : public QObject {
    Q_OBJECT

private slots:
    void framesAreComposedByTheDisposalRules()
    {
        const QString strPath = Write("anim.gif", MakeAnimatedGif(48, 32, kDisposalFrames));
        CPictureFrames frames;
        QString strError;
        QVERIFY2(frames.Open(strPath, &strError), qPrintable(strError));
        QCOMPARE(frames.Count(), 4);
        const auto vShown = ComposeGifFrames(48, 32, kDisposalFrames);
        QList<int> vDelays;
        for (int i = 0; i < 4; ++i) {
            QImage frame;
            int nDelay = -1;
            QVERIFY2(frames.Next(&frame, &nDelay, &strError), qPrintable(strError));
            QCOMPARE(frame.size(), QSize(48, 32));
            vDelays << nDelay;
            for (int y = 0; y < 32; ++y) {
                for (int x = 0; x < 48; ++x) {
                    const uint8_t* pWant = &vShown[std::size_t(i)][(std::size_t(y) * 48 + x) * 4];
                    const uint8_t* pGot = frame.constScanLine(y) + x * 4;
                    // Transparent pixels may keep any colour.
                    const bool bSame = pWant[3] == 0 ? pGot[3] == 0 : std::equal(pWant, pWant + 4, pGot);
                    if (!bSame)
                        QFAIL(qPrintable(QStringLiteral("frame %1 differs at %2,%3").arg(i).arg(x).arg(y)));
                }
            }
        }
        QCOMPARE(vDelays, (QList<int>{100, 200, 200, 300}));
        QImage frame;
        int nDelay = 0;
        QVERIFY(!frames.Next(&frame, &nDelay, &strError)); // no fifth frame
    }

    void aStillPictureIsOneFrameAndFramesCutShortAreRefused()
    {
        QImage img(10, 10, QImage::Format_RGB32);
        img.fill(Qt::red);
        const QString strPng = m_dir.filePath(QStringLiteral("still.png"));
        QVERIFY(img.save(strPng));
        CPictureFrames frames;
        QString strError;
        QVERIFY(frames.Open(strPng, &strError));
        QCOMPARE(frames.Count(), 1);
        QVERIFY(!frames.Open(m_dir.filePath(QStringLiteral("missing.gif")), &strError));
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
        QFile file(m_dir.filePath(QString::fromLatin1(pszName)));
        if (!file.open(QIODevice::WriteOnly) || file.write(data.data(), qint64(data.size())) != qint64(data.size()))
            return {};
        return file.fileName();
    }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(CPictureFramesTest)

#include "picture_frames_test.moc"
