#pragma once
#include <QRect>
#include <vector>

class QWidget;

namespace quorvin {

class EventRunner;

// One page of the window as the shell drives it: the page switch places and shows the page's frame, the poll
// and the Real Time Mode switch ask the shown page, and the page decides its own pace and set-up.
class Page {
public:
    virtual ~Page() = default;

    // The page's frame, which the page switch shows alone, at its place on the window in twips.
    virtual QWidget *frame() const = 0;
    virtual QRect framePlace() const = 0;
    // Controls on the window itself that are shown with this page only.
    virtual std::vector<QWidget *> windowControls() const { return {}; }
    // Connects the page's controls to its handlers; every handler runs through events.
    virtual void connectEvents(EventRunner &events) = 0;

    // The page's refresh as the page switch runs it; failures end in the common error report.
    virtual void refresh() = 0;
    // One poll tick while the page is shown and Real Time Mode is on: the page counts TickCount and refreshes
    // at its own pace.
    virtual void tick() = 0;
    // Asked before Real Time Mode goes on while the page is shown; false keeps it off (the page said why).
    virtual bool acceptsRealTimeMode() { return true; }
    // Real Time Mode went on, or off, while the page is shown.
    virtual void realTimeModeOn() {}
    virtual void realTimeModeOff() {}
};

} // namespace quorvin
