// The main window's side panes: the character picker in its dock, and the
// picker's characters carried over to the canvas view; the colour picker,
// which sets the view's colours and the rulers' corner.
#include "shell/main_frame.h"

#include "canvas/art_view.h"
#include "canvas/ruler_splitter.h"
#include "panes/color_picker.h"
#include "ui/message_box.h"
#include "ui/settings_value.h"

#include <QDockWidget>
#include <QSettings>

void CMainFrame::CreateCharPicker(QDockWidget* pDock)
{
    auto* pBar = new CCharPaneBar(this, pDock);
    delete pDock->widget();
    pDock->setWidget(pBar);
    m_pCharPicker = pBar->View();
    // The view's characters start as the picker's (they are kept in its settings).
    CharChanged(CHAR_LEFT);
    CharChanged(CHAR_RIGHT);
}

void CMainFrame::CharChanged(int which)
{
    if (!m_pCharPicker || !m_pView)
        return;
    if (which == CHAR_LEFT)
        m_pView->SetLeftChar(m_pCharPicker->m_chPickLeft);
    else if (which == CHAR_RIGHT)
        m_pView->SetRightChar(m_pCharPicker->m_chPickRight);
}

void CMainFrame::CharPicked(bool bRight, unsigned char ch)
{
    if (!m_pCharPicker)
        return;
    if (bRight)
        m_pCharPicker->m_chPickRight = ch;
    else
        m_pCharPicker->m_chPickLeft = ch;
    m_pCharPicker->WritePickSettings();
    m_pCharPicker->RepaintPane();
}

void CMainFrame::StrokeDrawsNothing()
{
    QSettings settings(QStringLiteral("Quillmark"), QStringLiteral("Glyphwright"));
    const QString strGroup = QStringLiteral("GWSet");
    const QString strKey = QStringLiteral("HintShown");
    if (ReadSettingU32(settings, strGroup, strKey, 0) != 0)
        return;
    WriteSettingU32(settings, strGroup, strKey, 1);
    settings.sync();
    const QString strText = QStringLiteral("Choose a character in the Character Picker to draw with it.");
    ShowStatusNote(strText);
}

void CMainFrame::CreateColorPicker(QDockWidget* pDock)
{
    auto* pBar = new CColorPaneBar(pDock);
    delete pDock->widget();
    pDock->setWidget(pBar);
    m_pColorPicker = pBar->View();
    m_pColorPicker->SetTargets(m_pView, m_pSplitter->Corner());
}
