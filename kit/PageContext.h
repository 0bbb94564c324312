#pragma once

class QTimer;

namespace quorvin {

namespace mgmt {
class Source;
}
struct FormState;
class Clock;
class Designer;
class Dialogs;
class Environment;
class ErrorReport;
class LineCanvas;
class Twips;

// What a page reaches besides its own controls and state: the window's state, its poll, the designer that
// places the page's controls, and the injected services.
struct PageContext {
    FormState &state;
    QTimer &poll;
    Designer &designer;
    mgmt::Source &source;
    Dialogs &dialogs;
    const Clock &clock;
    const Environment &environment;
    ErrorReport &errors;
    LineCanvas &canvas;
    const Twips &twips;
};

} // namespace quorvin
