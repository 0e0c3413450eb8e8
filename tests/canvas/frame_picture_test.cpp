// Frame pictures and the GIF export: the renderer against the view's own
// text layer, and the PNG and every GIF frame decoded by Qt against the
// renderer, pixel by pixel, and by giflib against the renderer with bounds on
// the error; the GIF's timing and looping read back by giflib.
#include "canvas/canvas_color.h"
#include "canvas/frame_picture.h"
#include "canvas/gif_export.h"
#include "canvas/png_writer.h"
#include "core/html_export.h"

#include "tests/canvas/canvas_test_main.h"
#include "tests/canvas/view_fixture.h"

#include <gif_lib.h>

#include <QBuffer>
#include <QImageReader>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <set>
#include <sstream>

namespace {
using Frame = std::vector<CharCell>;

struct CFrames : IAnimFrameSource {
    CFrames(int nRows, int nCols, std::vector<Frame> v) : m_nRows(nRows), m_nCols(nCols), m_v(std::move(v)) {}
    int GetFrameCount() const override { return static_cast<int>(m_v.size()); }
    int GetRows() const override { return m_nRows; }
    int GetCols() const override { return m_nCols; }
    const CharCell* GetFrame(int n) override { return n == m_nBroken ? nullptr : m_v[size_t(n)].data(); }
    int m_nRows, m_nCols, m_nBroken = -1;
    std::vector<Frame> m_v;
};

// Printable characters from a seed; colours from pick(cell index).
template <class TPick>
Frame MakeFrame(int nCells, unsigned nSeed, TPick pick)
{
    std::mt19937 rng(nSeed);
    Frame frame(size_t(nCells), CharCell{0, 0, 0, ' ', {}});
    for (int i = 0; i < nCells; ++i)
        frame[size_t(i)] = CharCell{pick(i), 0, 0, uint8_t(33 + rng() % 94), {}};
    return frame;
}

// A thousand 80 x 128 frames in one colour, made when asked for so they need no memory.
struct CMadeFrames : IAnimFrameSource {
    int GetFrameCount() const override { return 1000; }
    int GetRows() const override { return 80; }
    int GetCols() const override { return 128; }
    const CharCell* GetFrame(int n) override
    {
        return (m_frame = MakeFrame(80 * 128, unsigned(n), [](int) { return 0x2040C0u; })).data();
    }
    Frame m_frame;
};

QByteArray Gif(CFrames& frames, int nZoom, bool bLoop, int nInterval = 3)
{
    std::ostringstream os;
    std::string strError;
    if (!ExportAnimatedGif(os, frames, nZoom, nInterval, bLoop, 0xF0E0D0, &strError))
        qWarning("%s", strError.c_str());
    return QByteArray::fromStdString(os.str());
}

// Every frame as Qt shows it, composed over the ones before.
std::vector<QImage> QtFrames(QByteArray data)
{
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "gif");
    std::vector<QImage> v;
    while (reader.canRead())
        v.push_back(reader.read().convertToFormat(QImage::Format_RGB32));
    return v;
}

// What giflib reads back: each frame's delay, the frames with colour tables of their own, and
// whether the animation loops.
struct CSlurp {
    std::vector<int> vDelays;
    int nLocalMaps = 0;
    bool bLoopExtension = false;
};

// The file read whole by giflib, or null.
GifFileType* SlurpGif(QBuffer& buffer)
{
    buffer.open(QIODevice::ReadOnly);
    const auto fnRead = [](GifFileType* pGif, GifByteType* pOut, int n) {
        return int(static_cast<QBuffer*>(pGif->UserData)->read(reinterpret_cast<char*>(pOut), n));
    };
    int nError = 0;
    GifFileType* pGif = DGifOpen(&buffer, fnRead, &nError);
    if (pGif && DGifSlurp(pGif) != GIF_OK) {
        DGifCloseFile(pGif, &nError);
        return nullptr;
    }
    return pGif;
}

CSlurp Slurp(QByteArray data)
{
    QBuffer buffer(&data);
    CSlurp s;
    int nError = 0;
    GifFileType* pGif = SlurpGif(buffer);
    if (!pGif)
        return s;
    for (int i = 0; i < pGif->ImageCount; ++i) {
        GraphicsControlBlock gcb{};
        DGifSavedExtensionToGCB(pGif, i, &gcb);
        s.vDelays.push_back(gcb.DelayTime);
        s.nLocalMaps += pGif->SavedImages[i].ImageDesc.ColorMap != nullptr;
        for (int e = 0; e < pGif->SavedImages[i].ExtensionBlockCount; ++e) {
            const ExtensionBlock& ext = pGif->SavedImages[i].ExtensionBlocks[e];
            s.bLoopExtension = s.bLoopExtension || (ext.Function == APPLICATION_EXT_FUNC_CODE &&
                               ext.ByteCount == 11 && std::memcmp(ext.Bytes, "NETSCAPE2.0", 11) == 0);
        }
    }
    DGifCloseFile(pGif, &nError);
    return s;
}

// Every frame as giflib reads it, each drawn over the ones before: its
// rectangle through its table, transparent pixels left, then disposed of.
std::vector<QImage> GiflibFrames(QByteArray data)
{
    QBuffer buffer(&data);
    GifFileType* pGif = SlurpGif(buffer);
    std::vector<QImage> v;
    if (!pGif)
        return v;
    QImage canvas(pGif->SWidth, pGif->SHeight, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    for (int i = 0; i < pGif->ImageCount; ++i) {
        const SavedImage& image = pGif->SavedImages[i];
        const GifImageDesc& desc = image.ImageDesc;
        const ColorMapObject* pMap = desc.ColorMap ? desc.ColorMap : pGif->SColorMap;
        GraphicsControlBlock gcb{};
        gcb.TransparentColor = NO_TRANSPARENT_COLOR;
        DGifSavedExtensionToGCB(pGif, i, &gcb);
        const QImage before = canvas;
        for (int n = 0; n < desc.Width * desc.Height; ++n) {
            const int nIndex = image.RasterBits[n];
            if (nIndex == gcb.TransparentColor || nIndex >= pMap->ColorCount)
                continue;
            const GifColorType c = pMap->Colors[nIndex];
            canvas.setPixel(desc.Left + n % desc.Width, desc.Top + n / desc.Width,
                            qRgb(c.Red, c.Green, c.Blue));
        }
        v.push_back(canvas);
        if (gcb.DisposalMode == DISPOSE_PREVIOUS)
            canvas = before;
        else if (gcb.DisposalMode == DISPOSE_BACKGROUND)
            for (int n = 0; n < desc.Width * desc.Height; ++n)
                canvas.setPixel(desc.Left + n % desc.Width, desc.Top + n / desc.Width, qRgb(0, 0, 0));
    }
    int nError = 0;
    DGifCloseFile(pGif, &nError);
    return v;
}
} // namespace

class FramePictureTest : public QObject {
    Q_OBJECT

private slots:
    void RenderIsTheCanvasTextLayer()
    {
        CViewFixture fx(5, 9);
        for (int i = 0; i < 45; ++i)
            fx.WriteCell(i, uint8_t(i % 4 ? 0x21 + 3 * i : ' '), 0x0F3060u * COLORREF(i % 7 + 1));
        fx.View().Refresh(CArtView::REFRESH_ALL);
        for (int i = 0; i < 3; ++i) {
            CFramePicture picture(5, 9, fx.View().GetZoom(), fx.View().GetBackColor());
            QCOMPARE(picture.Render(fx.m_doc.GetCurCells()), fx.View().TextLayer());
            fx.View().ZoomIn();
        }
    }

    void PngDecodesToTheFrame()
    {
        const Frame frame = MakeFrame(6 * 11, 1, [](int i) { return COLORREF(0x102030 * (i % 5)); });
        for (int nZoom : {0, 2, 4}) {
            std::ostringstream os;
            std::string strError;
            QVERIFY(WriteFramePng(os, frame.data(), 6, 11, nZoom, 0x000000, &strError));
            const QImage img = QImage::fromData(QByteArray::fromStdString(os.str()), "png");
            const QImage imgFrame = CFramePicture(6, 11, nZoom, 0x000000).Render(frame.data());
            QCOMPARE(img.convertToFormat(QImage::Format_RGB32), imgFrame);
            // A black page is the canvas's near black, not its transparent key.
            QCOMPARE(imgFrame.pixel(imgFrame.width() - 1, imgFrame.height() - 1), qRgb(1, 1, 1));
        }
    }

    // Each row filter gives the same pixels; a stream that fails is reported.
    void PngFiltersKeepThePixels()
    {
        const Frame frame = MakeFrame(7 * 12, 3, [](int i) { return COLORREF(0x0F1E2D * (i % 9)); });
        const QImage imgFrame = CFramePicture(7, 12, 3, 0x204060).Render(frame.data());
        for (EPngFilter filter :
             {EPngFilter::None, EPngFilter::Sub, EPngFilter::Up, EPngFilter::Adaptive}) {
            std::ostringstream os;
            QVERIFY(WritePng(os, imgFrame, filter, nullptr));
            const QImage img = QImage::fromData(QByteArray::fromStdString(os.str()), "png");
            QCOMPARE(img.convertToFormat(QImage::Format_RGB32), imgFrame);
        }
        std::ostringstream broken;
        broken.setstate(std::ios::badbit);
        std::string strError;
        QVERIFY(!WritePng(broken, imgFrame, PNG_EXPORT_FILTER, &strError));
        QCOMPARE(strError, std::string("cannot write the picture"));
    }

    // Every frame as Qt decodes it against the frame drawn. One text colour (its anti-aliasing
    // alone gives many shades) goes through the screen's table; more than 256 colours over the
    // animation but not in any one frame through tables of their own; frames that change a
    // little, or nothing, are still shown exactly. Thousands of colours in a frame are reduced,
    // not refused: every frame is there, the right size, close to the drawing, its background exact.
    void GifFramesAreTheFrames()
    {
        std::vector<Frame> vFew, vMany, vNoisy;
        Frame base = MakeFrame(4 * 10, 2, [](int) { return 0x0000C0u; });
        for (int f = 0; f < 4; ++f) {
            vFew.push_back(base);
            if (f != 2) // frame 3 repeats frame 2
                base[size_t(7 * f + 3)].chChar = uint8_t('a' + f);
        }
        for (int f = 0; f < 6; ++f)
            vMany.push_back(MakeFrame(4 * 10, 3 + f, [f](int) { return COLORREF(0x3311AA + 0x1F0D07 * f); }));
        std::mt19937 rng(7);
        for (int f = 0; f < 3; ++f)
            vNoisy.push_back(MakeFrame(20 * 30, 10 + f, [&](int) { return COLORREF(rng() & 0xFFFFFF); }));
        struct Case {
            const std::vector<Frame>& v;
            int nRows, nCols, nZoom;
            bool bExact; // else a mean error under 8 a channel, and no looping
        } const cases[] = {
            {vFew, 4, 10, 3, true}, {vMany, 4, 10, 3, true}, {vNoisy, 20, 30, 1, false}};
        for (const Case& c : cases) {
            CFrames frames(c.nRows, c.nCols, c.v);
            const QByteArray data = Gif(frames, c.nZoom, c.bExact);
            const std::vector<QImage> vDecoded = QtFrames(data);
            QCOMPARE(vDecoded.size(), c.v.size());
            CFramePicture picture(c.nRows, c.nCols, c.nZoom, 0xF0E0D0);
            for (size_t f = 0; f < c.v.size(); ++f) {
                const QImage img = picture.Render(c.v[f].data());
                QCOMPARE(vDecoded[f].size(), img.size());
                const int nW = img.width(), nPixels = nW * img.height();
                double dError = 0;
                int nBackOff = 0; // background pixels shown otherwise: none, even when reduced
                for (int n = 0; n < nPixels; ++n) {
                    const QRgb a = img.pixel(n % nW, n / nW), b = vDecoded[f].pixel(n % nW, n / nW);
                    nBackOff += a == picture.Background() && a != b;
                    for (const int nShift : {0, 8, 16}) // blue, green, red
                        dError += std::abs(int(a >> nShift & 0xFF) - int(b >> nShift & 0xFF));
                }
                QVERIFY2(c.bExact ? vDecoded[f] == img : dError / (3.0 * nPixels) < 8 && nBackOff == 0,
                         qPrintable(QString("frame %1, error %2, background off %3")
                                        .arg(f).arg(dError).arg(nBackOff)));
            }
            if (c.bExact) {
                const CSlurp s = Slurp(data);
                QCOMPARE(s.vDelays, std::vector<int>(c.v.size(), 30));
                QCOMPARE(s.nLocalMaps > 0, &c.v == &vMany);
            }
        }
    }

    // Frames of more colours than a table, from a few text colours (white, red, a mid colour and,
    // for many shades, eight more), decoded by giflib against the frames drawn: the background
    // and every text colour exact, every blend within 24 a channel. A frame repainting text in
    // one colour, or in another, leaves nothing of the table before it.
    void GifOfFewTextColoursKeepsThemExact()
    {
        const std::vector<COLORREF> vThree = {0xFFFFFF, 0x0000FF, 0x4080C0};
        std::vector<COLORREF> vEleven = vThree;
        for (COLORREF cr = 0x203040; vEleven.size() < 11; cr = (cr * 7 + 0x351F0B) & 0xFFFFFF)
            vEleven.push_back(cr);
        const auto frame = [](const std::vector<COLORREF>& vColors, unsigned nSeed) {
            return MakeFrame(6 * 12, nSeed, [&](int i) { return vColors[size_t(i) % vColors.size()]; });
        };
        const Frame three = frame(vThree, 5);
        Frame white = three, swapped = three;
        for (size_t i = 0; i < three.size(); ++i) {
            white[i].crColor = 0xFFFFFF;
            swapped[i].crColor = vThree[(i + 1) % 3];
        }
        struct Case {
            const char* pszName;
            std::vector<Frame> v;
            int nZoom;
        } const cases[] = {
            {"three colours, then white, then back", {three, white, three}, 3},
            {"three colours, then swapped", {three, swapped, white}, 4},
            {"eleven colours, then three", {frame(vEleven, 6), three}, 2},
        };
        for (const Case& c : cases) {
            CFrames frames(6, 12, c.v);
            const std::vector<QImage> vDecoded = GiflibFrames(Gif(frames, c.nZoom, true));
            QCOMPARE(vDecoded.size(), c.v.size());
            CFramePicture picture(6, 12, c.nZoom, 0xF0E0D0);
            for (size_t f = 0; f < c.v.size(); ++f) {
                const QImage img = picture.Render(c.v[f].data());
                QCOMPARE(vDecoded[f].size(), img.size());
                std::set<QRgb> setExact = {picture.Background()};
                for (const CharCell& cell : c.v[f])
                    setExact.insert(ColorRefToRgb(cell.crColor));
                int nWorstExact = 0, nWorst = 0;
                for (int y = 0; y < img.height(); ++y)
                    for (int x = 0; x < img.width(); ++x) {
                        const QRgb a = img.pixel(x, y), b = vDecoded[f].pixel(x, y);
                        const int nError =
                            std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                      std::abs(qBlue(a) - qBlue(b))});
                        int& nWorstHere = setExact.count(a) ? nWorstExact : nWorst;
                        nWorstHere = std::max(nWorstHere, nError);
                    }
                QVERIFY2(nWorstExact == 0 && nWorst <= 24,
                         qPrintable(QString("%1, frame %2: off by %3 on text colours, %4 on blends")
                                        .arg(c.pszName).arg(f).arg(nWorstExact).arg(nWorst)));
            }
        }
    }

    // One colour's shades fit one table, so frames are written as drawn: under an address-space
    // limit far below the file's size, the export succeeds and every frame decodes to its picture.
    void GifOfManyFramesNeedsAboutOnePicture()
    {
        CMadeFrames frames;
        QTemporaryDir dir;
        const std::string strPath = dir.filePath("many.gif").toStdString();
        const pid_t pid = fork();
        if (pid == 0) {
            // The file is over 100 MB; two pictures at zoom 0 are about 2 MB.
            rlim_t nPages = 0;
            std::ifstream("/proc/self/statm") >> nPages;
            const rlim_t nLimit = nPages * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t(64) << 20);
            const rlimit limit{nLimit, nLimit};
            setrlimit(RLIMIT_AS, &limit);
            // Out of memory ends the child here: the test's own handlers would hang after a fork.
            try {
                std::ofstream os(strPath, std::ios::binary);
                const bool bOk = ExportAnimatedGif(os, frames, 0, 1, true, 0xF0E0D0, nullptr);
                os.close();
                _exit(bOk && os ? 0 : 1);
            } catch (...) {
                _exit(2);
            }
        }
        int nStatus = 0;
        QCOMPARE(waitpid(pid, &nStatus, 0), pid);
        QVERIFY(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0);
        QImageReader reader(QString::fromStdString(strPath), "gif");
        CFramePicture picture(80, 128, 0, 0xF0E0D0);
        int nFrames = 0;
        for (; reader.canRead(); ++nFrames)
            QVERIFY2(reader.read().convertToFormat(QImage::Format_RGB32) == picture.Render(frames.GetFrame(nFrames)),
                     qPrintable(QString::number(nFrames)));
        QCOMPARE(nFrames, 1000);
    }

    void GifLoopsOnlyWhenAskedAndReportsFailures()
    {
        const Frame blue = MakeFrame(6, 1, [](int) { return 0x0000FFu; });
        CFrames frames(2, 3, {blue, MakeFrame(6, 2, [](int) { return 0x00FF00u; })});
        const CSlurp loop = Slurp(Gif(frames, 2, true, 12));
        QCOMPARE(loop.vDelays, (std::vector<int>{120, 120}));
        QVERIFY(loop.bLoopExtension);
        QVERIFY(!Slurp(Gif(frames, 2, false)).bLoopExtension);
        // Of three frames the second cannot be read; then a stream that cannot be written.
        frames.m_v.assign(3, blue);
        for (const int nBroken : {1, -1}) {
            frames.m_nBroken = nBroken;
            std::ostringstream os;
            os.setstate(nBroken < 0 ? std::ios::badbit : std::ios::goodbit);
            std::string strError;
            QVERIFY(!ExportAnimatedGif(os, frames, 2, 5, true, 0, &strError));
            QCOMPARE(strError, std::string(nBroken < 0 ? "cannot write the GIF"
                                                        : "frame 2 cannot be read"));
        }
    }
};

GW_CANVAS_TEST_MAIN(FramePictureTest)
#include "frame_picture_test.moc"
