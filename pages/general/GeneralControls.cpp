#include "pages/general/GeneralControls.h"
#include "kit/Designer.h"

#include <QGroupBox>
#include <QLabel>

namespace quorvin {

namespace {
// The labels are centred in their frame and share their borders with their neighbours.
constexpr int Left = 390, Width = 8955, Height = 375;
} // namespace

GeneralControls GeneralControls::design(Designer &d)
{
    GeneralControls c;
    c.frGen = d.frame("frGen", FramePlace);
    const auto row = [&](const char *name, const char *caption, int top, QFont font, int height = Height) {
        return d.titleLabel(c.frGen, name, QString::fromLatin1(caption), QRect(Left, top, Width, height),
                            font);
    };
    c.lblTitle = row("lblTitle", "Title", 360, designFont(15.75, true), 615);
    c.lbltitle2 = row("lbltitle2", "Title2", 960, designFont(14.25, true));
    c.lblReg = row("lblReg", "REg", 1320, designFont(14.25, true));
    c.lblSerial = row("lblSerial", "Serial", 1680, designFont(14.25, true));
    c.lblProc = row("lblProc", "Proc", 2040, designFont(DefaultPoints));
    c.lblInstall = row("lblInstall", "Install", 2400, designFont(DefaultPoints));
    c.lblBoot = row("lblBoot", "Boot", 2760, designFont(DefaultPoints));
    c.lblmem1 = row("lblmem1", "Physical Memory", 3120, designFont(DefaultPoints));
    c.lblMem2 = row("lblMem2", "Virtual Memory", 3480, designFont(DefaultPoints));
    c.lblUpdate = d.label(c.frGen, "lblUpdate", QString(), QRect(Left, 3840, Width, Height),
                          designFont(DefaultPoints), Qt::AlignCenter);
    c.lblGen1 =
        d.label(c.frGen, "lblGen1", QStringLiteral("Uncheck Real Time Mode To Access Another Computer"),
                QRect(Left, 4320, Width, 240), designFont(9.75), Qt::AlignCenter);
    return c;
}

} // namespace quorvin
