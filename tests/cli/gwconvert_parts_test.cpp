// gwconvert's three parts: each command loads only the Qt libraries it
// needs, and the plain part finds FIGlet fonts as the editor does.
#include "convert_test_support.h"

#include "cli/fig_font_find.h"
#include "ui/app_folders.h"

#include <QCoreApplication>
#include <QFile>

using namespace gwcli;

namespace {

// The dynamic loader's account of the libraries a child loads, from stderr.
class CLoadedLibraries {
public:
    CLoadedLibraries() { setenv("LD_DEBUG", "libs", 1); }
    ~CLoadedLibraries() { unsetenv("LD_DEBUG"); }
    CLoadedLibraries(const CLoadedLibraries&) = delete;
    CLoadedLibraries& operator=(const CLoadedLibraries&) = delete;
};

bool Loads(const CRun& run, const char* pszLibrary)
{
    return run.strErr.find(std::string("calling init: ")) != std::string::npos &&
           run.strErr.find(pszLibrary) != std::string::npos;
}

} // namespace

TEST_F(ConvertTest, CommandsLoadOnlyTheQtLibrariesTheyNeed)
{
    const std::string in = m_in.string();
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    for (const char* pszName : {"p.png", "p.jpg", "p.bmp"})
        ASSERT_TRUE(picture.save(QString::fromStdString(Work(pszName).string())));
    const struct {
        std::vector<std::string> args;
        bool bCore, bGui;
    } cases[] = {
        {{"info", in}, false, false},
        {{"text", in, "a.txt"}, false, false},
        {{"utf8", in, "a.txt"}, false, false},
        {{"figlet", "standard", "Hi"}, false, false},
        {{"flip", in, "f.gwp", "--left-right"}, false, false},
        {{"html", in, "a.htm", "--background", "102030"}, false, false},
        {{"animation", in, "a.htm", "--background", "102030", "--interval", "3"}, false, false},
        {{"svg", in, "a.svg", "--background", "102030", "--interval", "3", "--once"}, false, false},
        {{"svg", in, "a.svg", "--background", "102030", "--frame", "2"}, false, false},
        {{"svg", in, "a.svg", "--background", "102030", "--interval", "3"}, true, false},
        {{"cast", in, "a.cast", "--background", "102030", "--interval", "3"}, false, false},
        {{"cast", in, "a.cast", "--interval", "3"}, true, false},
        // The defaults come from the user's settings, read with Qt's core.
        {{"html", in, "a.htm"}, true, false},
        {{"ansi", in, "a.ans"}, true, false},
        {{"animation", in, "a.htm", "--interval", "3"}, true, false},
        // Rows converted as decoded, or Qt's plugins for other formats.
        {{"image", "p.png", "p.txt", "--width", "8"}, true, false},
        {{"image", "p.jpg", "p.htm", "--width", "8"}, true, false},
        {{"image", "p.bmp", "p.txt", "--width", "8"}, true, true},
        {{"png", in, "a.png"}, true, true},
    };
    const CLoadedLibraries probe;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args.back());
        const CRun run = Run(c.args);
        EXPECT_EQ(run.nStatus, 0);
        EXPECT_EQ(Loads(run, "libQt6Core"), c.bCore);
        EXPECT_EQ(Loads(run, "libQt6Gui"), c.bGui);
    }
}

TEST_F(ConvertTest, FontsAreFoundByTheEditorsRules)
{
    const fs::path user = m_dir / "data" / "Glyphwright" / "Fonts";
    fs::create_directories(user / "folder.flf");
    for (const char* pszName : {"tiny.flf", "tiny.tlf", "zed.tlf", "a.b.flf", ".hidden.flf",
                                "plain", "upper.FLF", "standard.flf"})
        WriteFile(user / pszName, "flf2a$ 1 1 1 0 0\n");
    fs::create_symlink(user / "tiny.flf", user / "link.flf");
    fs::create_symlink(user / "gone.flf", user / "dangling.flf");
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(QString::fromStdString((m_dir / "data").string())));
    const std::string strProgramDir = QCoreApplication::applicationDirPath().toStdString();
    EXPECT_EQ(FindFigFontFile("tiny", strProgramDir), (user / "tiny.flf").string());
    for (const std::string& strName : std::vector<std::string>{"tiny", "tiny.tlf", "zed", "a.b", "a", ".hidden", "plain", "upper", "upper.FLF", "link",
          "dangling", "folder", "standard", "mono9", "nosuch", "", "x/y.flf",
          (user / "plain").string()}) {
        SCOPED_TRACE(strName);
        EXPECT_EQ(FindFigFontFile(strName, strProgramDir),
                  FindFigFont(QString::fromStdString(strName)).toStdString());
    }
    qputenv("XDG_DATA_HOME", saved);
}

TEST_F(ConvertTest, APartThatCannotBeStartedIsOneLineOfItsOwn)
{
    // gwconvert alone, without the parts that sit beside it in the build.
    fs::create_directories(m_dir / "alone");
    m_strProgram = (m_dir / "alone" / "gwconvert").string();
    fs::copy_file(GWCONVERT_PATH, m_strProgram);
    ExpectDone(Run({"text", m_in.string(), "a.txt"}));
    for (const auto& [pszCommand, pszPart] :
         {std::pair{"html", "gwconvert-qtcore"}, std::pair{"png", "gwconvert-draw"}}) {
        SCOPED_TRACE(pszPart);
        const CRun run = Run({pszCommand, m_in.string(), "a.out"});
        ExpectFailure(run, 1, std::string("cannot start ") + (m_dir / "alone" / pszPart).string());
        EXPECT_FALSE(fs::exists(Work("a.out")));
    }
}
