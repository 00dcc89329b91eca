// A DCB's line settings in a tty's termios, both ways. Speed, framing, parity checking, flow
// control and the XON/XOFF characters live in the tty; the DCB's other fields have no place
// there, so the port keeps the DCB as last set and these functions lay the tty's part over it.
#pragma once

#include <termios.h>

#include "platform/terminal/serial.h"

namespace platform {

// The DCB a port reports before any SetCommState: binary, DTR and RTS raised.
DCB InitialDcb();

// `kept` with its tty fields replaced by what `settings` say.
DCB DcbFromTermios(const termios& settings, const DCB& kept);

// `settings` changed to carry the DCB's tty fields; false, with `settings` unchanged, when no tty
// can honour the DCB (see SetCommState in serial.h).
bool ApplyDcb(const DCB& dcb, termios* settings);

// Whether the tty took the line settings asked of it: a tty may keep its own speed or framing
// without failing the call.
bool SameLineSettings(const termios& wanted, const termios& actual);

}  // namespace platform
