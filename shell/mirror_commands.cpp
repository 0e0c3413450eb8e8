#include "shell/mirror_commands.h"

#include "canvas/art_view.h"
#include "res/app_strings.h"
#include "shell/shell_settings.h"

namespace {
EMirrorMode ModeOf(int nMode)
{
    return nMode >= 0 && nMode <= static_cast<int>(EMirrorMode::FourWay)
               ? static_cast<EMirrorMode>(nMode)
               : EMirrorMode::Off;
}
} // namespace

CMirrorCommands::CMirrorCommands(CArtView& view, SShellSettings& settings)
    : m_view(view), m_settings(settings)
{
    m_view.SetMirror(Current());
}

CMirrorSettings CMirrorCommands::Current() const
{
    return {ModeOf(m_settings.m_nMirrorMode), m_settings.m_nMirrorColAxis,
            m_settings.m_nMirrorRowAxis};
}

EMirrorMode CMirrorCommands::Mode() const
{
    return Current().nMode;
}

void CMirrorCommands::Apply(const CMirrorSettings& mirror)
{
    m_settings.m_nMirrorMode = static_cast<int>(mirror.nMode);
    if (mirror.nMode != EMirrorMode::Off)
        m_settings.m_nMirrorLastMode = static_cast<int>(mirror.nMode);
    m_settings.m_nMirrorColAxis = mirror.nColAxis;
    m_settings.m_nMirrorRowAxis = mirror.nRowAxis;
    m_view.SetMirror(mirror);
}

void CMirrorCommands::SetMode(EMirrorMode nMode)
{
    CMirrorSettings mirror = Current();
    mirror.nMode = nMode;
    Apply(mirror);
}

void CMirrorCommands::Toggle()
{
    const EMirrorMode nLast = ModeOf(m_settings.m_nMirrorLastMode);
    SetMode(Mode() != EMirrorMode::Off ? EMirrorMode::Off
                                       : (nLast == EMirrorMode::Off ? EMirrorMode::LeftRight : nLast));
}

void CMirrorCommands::AxesAtCaret()
{
    const QPoint ptCaret = m_view.TypeCaretCell();
    CMirrorSettings mirror = Current();
    const bool bOff = mirror.nMode == EMirrorMode::Off;
    if (bOff || MirrorsLeftRight(mirror.nMode))
        mirror.nColAxis = 2 * ptCaret.x() + 1;
    if (bOff || MirrorsTopBottom(mirror.nMode))
        mirror.nRowAxis = 2 * ptCaret.y() + 1;
    Apply(mirror);
}

void CMirrorCommands::CentreAxes()
{
    CMirrorSettings mirror = Current();
    mirror.nColAxis = MIRROR_AXIS_CENTRE;
    mirror.nRowAxis = MIRROR_AXIS_CENTRE;
    Apply(mirror);
}

bool CMirrorCommands::AxisPicked(bool bColumns, int nHalfCells)
{
    CMirrorSettings mirror = Current();
    if (!(bColumns ? MirrorsLeftRight(mirror.nMode) : MirrorsTopBottom(mirror.nMode)))
        return false;
    (bColumns ? mirror.nColAxis : mirror.nRowAxis) = nHalfCells;
    if (mirror == Current())
        return false;
    Apply(mirror);
    return true;
}

QString CMirrorCommands::StatusText() const
{
    static constexpr const char* NAMES[] = {gw::IDS_MIRROR_OFF, gw::IDS_MIRROR_LEFT_RIGHT,
                                            gw::IDS_MIRROR_TOP_BOTTOM, gw::IDS_MIRROR_FOUR_WAY};
    return QString::fromLatin1(NAMES[static_cast<int>(Mode())]);
}
