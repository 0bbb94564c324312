#pragma once

namespace quorvin {

namespace mgmt {
class Source;
}
struct Controls;
struct FormState;
class Clock;
class Dialogs;
class Environment;
class ErrorReport;
class LineCanvas;
class Twips;

// What a page's routines reach: the window's state and controls, and the injected services.
struct PageContext {
    FormState &state;
    const Controls &controls;
    mgmt::Source &source;
    Dialogs &dialogs;
    const Clock &clock;
    const Environment &environment;
    ErrorReport &errors;
    LineCanvas &canvas;
    const Twips &twips;
};

} // namespace quorvin
