// Keeping a console window open after a failure, for a program started by a
// double-click.
#ifndef COMMON_CONSOLE_HOLD_H
#define COMMON_CONSOLE_HOLD_H

// Called by main with the status the run ends with, once standard output is
// written. On Windows, when the run failed (status not 0) and the console
// window was opened for this program alone (it was started by a
// double-click, not from a command prompt, which would keep the window),
// shows "(press any key)" on standard error and waits for a new key press,
// so that the failure's message can be read before the window closes.
// Elsewhere it does nothing.
void holdConsoleAfterFailure(int status);

#endif  // COMMON_CONSOLE_HOLD_H
