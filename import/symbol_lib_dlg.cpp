#include "import/symbol_lib_dlg.h"

#include "canvas/cell_geometry.h"
#include "canvas/glyph_cache.h"
#include "res/app_strings.h"
#include "ui/app_folders.h"
#include "ui/dialog_colors.h"
#include "ui/message_box.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Case-blind first so "arrows" and "Arrows" sit together, then exact, so the
// order never depends on which folder was read first.
bool TitleLess(const QString& strA, const QString& strB)
{
    const int nBlind = QString::compare(strA, strB, Qt::CaseInsensitive);
    return nBlind != 0 ? nBlind < 0 : QString::compare(strA, strB, Qt::CaseSensitive) < 0;
}

// The file's lines, each ended by CR LF. A line ends at LF, with a CR before
// it dropped; text after the last LF is a line of its own.
std::string ToCrLfLines(const QByteArray& data)
{
    std::string strOut;
    strOut.reserve(std::size_t(data.size()) + std::size_t(data.count('\n')) + 2);
    qsizetype nStart = 0;
    while (nStart < data.size()) {
        qsizetype nEnd = data.indexOf('\n', nStart);
        const bool bLast = nEnd < 0;
        if (bLast)
            nEnd = data.size();
        qsizetype nLen = nEnd - nStart;
        if (!bLast && nLen > 0 && data[nEnd - 1] == '\r')
            --nLen;
        strOut.append(data.constData() + nStart, std::size_t(nLen));
        strOut += "\r\n";
        nStart = nEnd + 1;
    }
    return strOut;
}

// The bytes as the canvas shows them, one text line per CR LF line.
QString ToDisplay(const std::string& strText)
{
    QString strOut;
    strOut.reserve(qsizetype(strText.size()));
    for (std::size_t i = 0; i < strText.size(); ++i) {
        if (strText[i] == '\r' && i + 1 < strText.size() && strText[i + 1] == '\n')
            continue;
        strOut += QChar(Cp1252ToUnicode(uint8_t(strText[i])));
    }
    return strOut;
}

} // namespace

CSymbolLibDlg::CSymbolLibDlg(QWidget* pParent)
    : QDialog(pParent), m_pGroups(new QComboBox), m_pFiles(new QListWidget),
      m_pPreview(new QPlainTextEdit)
{
    setWindowTitle(QStringLiteral("Symbol Lib"));
    // 402 x 203 dialog units.
    resize(603, 330);

    m_pPreview->setReadOnly(true);
    m_pPreview->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_pPreview->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_pPreview->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_pPreview->setFont(CCellGeometry::ZoomFont(CCellGeometry::ZOOM_DEFAULT));

    auto* pSelect = new QGroupBox(QStringLiteral("Select"));
    auto* pSelectLayout = new QVBoxLayout(pSelect);
    pSelectLayout->addWidget(m_pFiles);

    auto* pLeft = new QVBoxLayout;
    pLeft->addWidget(new QLabel(QStringLiteral("Directory")));
    pLeft->addWidget(m_pGroups);
    pLeft->addWidget(pSelect, 1);

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    pButtons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(pButtons, &QDialogButtonBox::accepted, this, &CSymbolLibDlg::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &CSymbolLibDlg::reject);

    auto* pTop = new QHBoxLayout;
    pTop->addLayout(pLeft, 1);
    pTop->addWidget(m_pPreview, 3);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pTop, 1);
    pLayout->addWidget(pButtons);

    ApplyDialogColors(this);

    EnumerateSymbolGroups();
    EnumerateSymbolFiles();
    connect(m_pGroups, &QComboBox::currentIndexChanged, this, &CSymbolLibDlg::EnumerateSymbolFiles);
    connect(m_pFiles, &QListWidget::currentRowChanged, this, &CSymbolLibDlg::LoadSymbolFile);
}

void CSymbolLibDlg::EnumerateSymbolGroups()
{
    const QString strLib = QString::fromLatin1(gw::IDS_SYMBOL_FOLDER);
    for (const QString& strRoot : {AppFolderPath(strLib), UserDataFolder(strLib)}) {
        for (const CDataFile& folder : ListDataFolders(strRoot)) {
            auto it = std::find_if(m_vGroups.begin(), m_vGroups.end(), [&](const CGroup& group) {
                return group.strName == folder.strTitle;
            });
            if (it != m_vGroups.end())
                it->vFolders.append(folder.strPath);
            else
                m_vGroups.append({folder.strTitle, {folder.strPath}});
        }
    }
    std::stable_sort(m_vGroups.begin(), m_vGroups.end(), [](const CGroup& a, const CGroup& b) {
        return TitleLess(a.strName, b.strName);
    });
    for (const CGroup& group : m_vGroups)
        m_pGroups->addItem(group.strName);
    if (!m_vGroups.isEmpty())
        m_pGroups->setCurrentIndex(0);
}

void CSymbolLibDlg::EnumerateSymbolFiles()
{
    const int nGroup = m_pGroups->currentIndex();
    if (nGroup < 0 || nGroup >= m_vGroups.size())
        return;
    // Emptying the list moves its current row; the preview keeps its text.
    const QSignalBlocker blocker(m_pFiles);
    m_pFiles->clear();
    m_vFilePaths.clear();

    QList<CDataFile> vFiles;
    for (const QString& strFolder : m_vGroups[nGroup].vFolders)
        vFiles += ListDataFiles(strFolder);
    std::stable_sort(vFiles.begin(), vFiles.end(), [](const CDataFile& a, const CDataFile& b) {
        return TitleLess(a.strTitle, b.strTitle);
    });
    for (const CDataFile& file : vFiles) {
        auto* pItem = new QListWidgetItem(file.strTitle, m_pFiles);
        pItem->setToolTip(QDir::toNativeSeparators(file.strFolder));
        m_vFilePaths.append(file.strPath);
    }
}

void CSymbolLibDlg::LoadSymbolFile()
{
    const int nRow = m_pFiles->currentRow();
    if (nRow < 0 || nRow >= m_vFilePaths.size())
        return;
    const QString strPath = m_vFilePaths[nRow];
    const QString strShown = QDir::toNativeSeparators(strPath);

    // Read afresh each time, so a piece edited meanwhile shows as it is now.
    // On any failure the preview keeps what it had, and the user can pick
    // another piece or cancel.
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly)) {
        GwMessageBox(this, QStringLiteral("Cannot open the symbol file %1: %2.")
                               .arg(strShown, file.errorString()));
        return;
    }
    // One byte past the limit tells a file that is too large even where the
    // size is not known beforehand.
    const QByteArray data = file.read(MAX_SYMBOL_FILE_BYTES + 1);
    if (file.error() != QFileDevice::NoError) {
        GwMessageBox(this, QStringLiteral("Cannot read the symbol file %1: %2.")
                               .arg(strShown, file.errorString()));
        return;
    }
    if (data.size() > MAX_SYMBOL_FILE_BYTES) {
        GwMessageBox(this, QStringLiteral("The symbol file %1 is larger than 1 MiB, too large "
                                          "for the canvas; it was not loaded.")
                               .arg(strShown));
        return;
    }
    m_strPreview = ToCrLfLines(data);
    m_pPreview->setPlainText(ToDisplay(m_strPreview));
}
