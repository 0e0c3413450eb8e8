#include "import/figfont_dlg.h"

#include "import/figfont_gallery.h"

#include "canvas/cell_geometry.h"
#include "canvas/glyph_cache.h"
#include "ui/dialog_colors.h"
#include "ui/message_box.h"
#include "ui/settings_value.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

namespace {

constexpr int DEFAULT_SPACING = FIG_SPACING_FULL;
// The spacing entries in EFigSpacing order: the combo's index is the spacing.
constexpr const char* SPACING_NAMES[FIG_SPACING_COUNT] = {"0", "1", "2", "Fitted", "Smushed"};
const QString SETTINGS_GROUP = QStringLiteral("Figlet");
const QString SETTING_SPACING = QStringLiteral("Spacing");

// The preview is composed afresh on every keystroke and laid out by the edit
// box, and the canvas takes at most 128 columns of it: a megabyte is far
// more than any lettering worth placing, and still quick to show.
constexpr std::size_t PREVIEW_MAX_BYTES = 1024 * 1024;

// The dialog's size in dialog units of its font.
constexpr int DIALOG_WIDTH_DLU = 287;
constexpr int DIALOG_HEIGHT_DLU = 216;

// The bytes of a text as the canvas draws them, line ends as the edit box wants.
QString BytesToDisplay(const std::string& str)
{
    QString strOut;
    strOut.reserve(static_cast<qsizetype>(str.size()));
    for (std::size_t i = 0; i < str.size(); ++i) {
        const auto ch = static_cast<uint8_t>(str[i]);
        if (ch == '\r' && i + 1 < str.size() && str[i + 1] == '\n')
            continue;
        strOut += ch == '\n' ? QChar(u'\n') : QChar(Cp1252ToUnicode(ch));
    }
    return strOut;
}

// What was typed, as the bytes the fonts are indexed by. A character with no
// Windows-1252 byte becomes 0, which has no glyph and is left out.
std::string InputBytes(const QString& strText)
{
    std::string str;
    str.reserve(static_cast<std::size_t>(strText.size()));
    for (const QChar ch : strText)
        str += static_cast<char>(UnicodeToCp1252(ch.unicode(), 0));
    return str;
}

// TOIlet fonts are listed when they are plain text: many are shipped zipped,
// which the reader does not open.
bool IsPlainToiletFont(const QString& strPath)
{
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) && file.read(64).trimmed().startsWith("tlf2a");
}

} // namespace

CFigTextEdit::CFigTextEdit(QWidget* pParent) : QPlainTextEdit(pParent)
{
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    // Room for three lines of text; more scroll.
    setFixedHeight(fontMetrics().lineSpacing() * 3 + 2 * frameWidth() +
                   static_cast<int>(document()->documentMargin() * 2));
}

void CFigTextEdit::keyPressEvent(QKeyEvent* pEvent)
{
    if (pEvent->key() == Qt::Key_Return || pEvent->key() == Qt::Key_Enter) {
        if (!(pEvent->modifiers() & Qt::ControlModifier)) {
            pEvent->ignore(); // the dialog's default button
            return;
        }
        insertPlainText(QStringLiteral("\n"));
        pEvent->accept();
        return;
    }
    const QString strText = pEvent->text();
    const bool bTypes = !strText.isEmpty() && pEvent->key() != Qt::Key_Return &&
                        pEvent->key() != Qt::Key_Enter && pEvent->key() != Qt::Key_Escape &&
                        pEvent->key() != Qt::Key_Tab && pEvent->key() != Qt::Key_Backtab;
    if (bTypes && pEvent->key() != Qt::Key_Backspace) {
        const char16_t ch = strText.size() == 1 ? strText.at(0).unicode() : 0;
        if (ch < FIG_FIRST_CODE || ch > 126) {
            pEvent->accept();
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(pEvent);
}

CFigfontDlg::CFigfontDlg(QWidget* pParent)
    : QDialog(pParent),
      m_pInput(new CFigTextEdit),
      m_pFontCombo(new QComboBox),
      m_pSpacing(new QComboBox),
      m_pPreview(new QPlainTextEdit),
      m_pGalleryModel(new CFigGalleryModel(this)),
      m_pGallery(new QListView)
{
    setWindowTitle(QStringLiteral("Figfont import"));
    m_pInput->setObjectName(QStringLiteral("figInput"));
    m_pFontCombo->setObjectName(QStringLiteral("figFont"));
    m_pSpacing->setObjectName(QStringLiteral("figSpacing"));
    m_pPreview->setObjectName(QStringLiteral("figPreview"));
    m_pPreview->setReadOnly(true);
    m_pPreview->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_pPreview->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_pPreview->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_pPreview->setFont(CCellGeometry::ZoomFont(CCellGeometry::ZOOM_DEFAULT));
    m_pGallery->setObjectName(QStringLiteral("figGallery"));
    m_pGalleryModel->SetCellFont(m_pPreview->font());
    m_pGallery->setModel(m_pGalleryModel);
    m_pGallery->setFont(m_pPreview->font());
    m_pGallery->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pGallery->setTextElideMode(Qt::ElideNone);
    m_pGallery->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_pGallery->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    auto* pGroup = new QGroupBox(QStringLiteral("Figfont set"));
    auto* pGrid = new QGridLayout(pGroup);
    pGrid->addWidget(new QLabel(QStringLiteral("Font select")), 0, 0);
    pGrid->addWidget(m_pFontCombo, 0, 1);
    pGrid->addWidget(new QLabel(QStringLiteral("Character spacing")), 1, 0);
    pGrid->addWidget(m_pSpacing, 1, 1);
    pGrid->setColumnStretch(1, 1);

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    pButtons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(pButtons, &QDialogButtonBox::accepted, this, &CFigfontDlg::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &CFigfontDlg::reject);

    auto* pInputRow = new QHBoxLayout;
    pInputRow->addWidget(new QLabel(QStringLiteral("Import text")));
    pInputRow->addWidget(m_pInput, 1);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pInputRow);
    pLayout->addWidget(pGroup);
    auto* pShowRow = new QHBoxLayout;
    pShowRow->addWidget(m_pPreview, 1);
    pShowRow->addWidget(m_pGallery, 1);
    pLayout->addLayout(pShowRow, 1);
    pLayout->addWidget(pButtons);
    resize(DIALOG_WIDTH_DLU * 3, DIALOG_HEIGHT_DLU * 5 / 2);
    ApplyDialogColors(this);

    EnumerateFigFonts();
    for (const char* pszSpacing : SPACING_NAMES)
        m_pSpacing->addItem(QString::fromLatin1(pszSpacing));
    QSettings settings(QStringLiteral("Quillmark"), QStringLiteral("Glyphwright"));
    const qint32 nSpacing =
        ReadSettingI32(settings, SETTINGS_GROUP, SETTING_SPACING, DEFAULT_SPACING);
    m_pSpacing->setCurrentIndex(nSpacing >= 0 && nSpacing < FIG_SPACING_COUNT ? nSpacing
                                                                              : DEFAULT_SPACING);
    connect(m_pSpacing, &QComboBox::currentIndexChanged, this, [](int nIndex) {
        QSettings settings(QStringLiteral("Quillmark"), QStringLiteral("Glyphwright"));
        WriteSettingI32(settings, SETTINGS_GROUP, SETTING_SPACING, nIndex);
    });
    // Nothing is composed until the first change.
    connect(m_pInput, &QPlainTextEdit::textChanged, this, &CFigfontDlg::OnChange);
    connect(m_pFontCombo, &QComboBox::currentIndexChanged, this, &CFigfontDlg::OnChange);
    connect(m_pSpacing, &QComboBox::currentIndexChanged, this, &CFigfontDlg::OnChange);
    connect(m_pGallery, &QListView::clicked, this,
            [this](const QModelIndex& index) { m_pFontCombo->setCurrentIndex(index.row()); });
    connect(m_pFontCombo, &QComboBox::currentIndexChanged, this, [this](int nIndex) {
        m_pGallery->setCurrentIndex(m_pGalleryModel->index(nIndex));
    });
}

void CFigfontDlg::EnumerateFigFonts()
{
    m_vFonts = ListFigFonts();
    const qsizetype nFiglet = m_vFonts.size();
    for (const QString& strFolder : {UserDataFolder(QStringLiteral("Fonts")), SystemFigletFolder()})
        for (const CDataFile& font : ListDataFiles(strFolder, QStringLiteral("tlf")))
            if (IsPlainToiletFont(font.strPath))
                m_vFonts += font;
    m_pFontCombo->clear();
    QStringList vTitles, vPaths;
    for (const CDataFile& font : m_vFonts) {
        const bool bToilet = m_pFontCombo->count() >= nFiglet;
        m_pFontCombo->addItem(bToilet ? font.strTitle + QStringLiteral(" (TOIlet)") : font.strTitle);
        m_pFontCombo->setItemData(m_pFontCombo->count() - 1, QDir::toNativeSeparators(font.strFolder),
                                  Qt::ToolTipRole);
    }
    for (int n = 0; n < m_pFontCombo->count(); ++n) {
        vTitles << m_pFontCombo->itemText(n);
        vPaths << m_vFonts[n].strPath;
    }
    m_pGalleryModel->SetFonts(vTitles, vPaths);
    if (!m_vFonts.isEmpty())
        m_pFontCombo->setCurrentIndex(0);
}

EFigLoad CFigfontDlg::LoadFigFont()
{
    const int nIndex = m_pFontCombo->currentIndex();
    if (nIndex < 0 || nIndex >= m_vFonts.size())
        return EFigLoad::NO_FILE;
    const QByteArray baPath = QFile::encodeName(m_vFonts[nIndex].strPath);
    const EFigLoad result = LoadFigFontFile(baPath.toStdString(), m_font);
    if (result == EFigLoad::BAD_HEADER || result == EFigLoad::TOO_LARGE)
        GwMessageBox(this, QStringLiteral("Error file head!"));
    return result;
}

void CFigfontDlg::RenderFigText()
{
    if (ComposeFigText(InputBytes(m_pInput->text()), m_font, m_pSpacing->currentIndex(),
                       PREVIEW_MAX_BYTES, &m_strPreview) != EFigRender::OK)
        GwMessageBox(this, QStringLiteral("The lettering would be larger than 1 MB: shorten the "
                                          "text or choose a narrower font."));
}

void CFigfontDlg::OnChange()
{
    m_strPreview.clear();
    // A font that cannot be opened composes nothing; a refused header
    // composes with the font loaded before.
    if (LoadFigFont() != EFigLoad::NO_FILE)
        RenderFigText();
    m_pPreview->setPlainText(BytesToDisplay(m_strPreview));
    m_pGalleryModel->SetText(InputBytes(m_pInput->text()), m_pSpacing->currentIndex());
}
