#include "platform/linux/dcb_termios.h"

#include "platform/linux/tty_speed.h"

namespace platform {

namespace {

// Mark and space parity need the tty's stick-parity bit, which not every system has.
#ifdef CMSPAR
constexpr tcflag_t kStickParity = CMSPAR;
#else
constexpr tcflag_t kStickParity = 0;
#endif

constexpr tcflag_t kLineControl = CSIZE | CSTOPB | PARENB | PARODD | kStickParity | CRTSCTS;
constexpr tcflag_t kLineInput = INPCK | IXON | IXOFF;

constexpr tcflag_t kSizeFlags[] = {CS5, CS6, CS7, CS8};

BYTE ByteSizeOf(tcflag_t control) {
  for (BYTE bits = 5; bits <= 8; ++bits) {
    if ((control & CSIZE) == kSizeFlags[bits - 5]) return bits;
  }
  return 8;
}

BYTE ParityOf(tcflag_t control) {
  if (!(control & PARENB)) return NOPARITY;
  const bool odd = control & PARODD;
  if (kStickParity != 0 && (control & kStickParity)) return odd ? MARKPARITY : SPACEPARITY;
  return odd ? ODDPARITY : EVENPARITY;
}

tcflag_t ParityFlags(BYTE parity) {
  switch (parity) {
    case ODDPARITY:
      return PARENB | PARODD;
    case EVENPARITY:
      return PARENB;
    case MARKPARITY:
      return PARENB | PARODD | kStickParity;
    case SPACEPARITY:
      return PARENB | kStickParity;
    default:
      return 0;
  }
}

// What no tty does: non-binary mode, null stripping, error replacement, DSR flow control and
// sensitivity, DTR handshake and RTS toggling; and termios has one switch for CTS flow control and
// RTS handshake together.
bool HasOnlyTtyFeatures(const DCB& dcb) {
  const bool cts_flow = dcb.fOutxCtsFlow;
  const bool rts_handshake = dcb.fRtsControl == RTS_CONTROL_HANDSHAKE;
  return dcb.fBinary && !dcb.fNull && !dcb.fErrorChar && !dcb.fOutxDsrFlow &&
         !dcb.fDsrSensitivity && dcb.fDtrControl != DTR_CONTROL_HANDSHAKE &&
         dcb.fRtsControl != RTS_CONTROL_TOGGLE && cts_flow == rts_handshake;
}

bool HasTtyFraming(const DCB& dcb) {
  const bool stick_parity = dcb.Parity == MARKPARITY || dcb.Parity == SPACEPARITY;
  const bool xon_xoff = dcb.fOutX || dcb.fInX;
  return dcb.ByteSize >= 5 && dcb.ByteSize <= 8 && dcb.Parity <= SPACEPARITY &&
         !(stick_parity && kStickParity == 0) &&
         (dcb.StopBits == ONESTOPBIT || dcb.StopBits == TWOSTOPBITS) &&
         !(xon_xoff && dcb.XonChar == dcb.XoffChar);
}

}  // namespace

DCB InitialDcb() {
  DCB dcb{};
  dcb.DCBlength = sizeof(DCB);
  dcb.fBinary = 1;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  return dcb;
}

DCB DcbFromTermios(const termios& settings, const DCB& kept) {
  DCB dcb = kept;
  dcb.DCBlength = sizeof(DCB);
  dcb.BaudRate = BitsPerSecond(cfgetospeed(&settings));
  dcb.ByteSize = ByteSizeOf(settings.c_cflag);
  dcb.Parity = ParityOf(settings.c_cflag);
  dcb.StopBits = (settings.c_cflag & CSTOPB) ? TWOSTOPBITS : ONESTOPBIT;
  dcb.fParity = (settings.c_iflag & INPCK) != 0;
  const bool hardware_flow = settings.c_cflag & CRTSCTS;
  dcb.fOutxCtsFlow = hardware_flow;
  if (hardware_flow) {
    dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
  } else if (dcb.fRtsControl == RTS_CONTROL_HANDSHAKE) {
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
  }
  dcb.fOutX = (settings.c_iflag & IXON) != 0;
  dcb.fInX = (settings.c_iflag & IXOFF) != 0;
  dcb.XonChar = static_cast<char>(settings.c_cc[VSTART]);
  dcb.XoffChar = static_cast<char>(settings.c_cc[VSTOP]);
  return dcb;
}

bool ApplyDcb(const DCB& dcb, termios* settings) {
  const std::optional<speed_t> speed = SpeedCode(dcb.BaudRate);
  if (!speed || !HasOnlyTtyFeatures(dcb) || !HasTtyFraming(dcb)) return false;

  termios changed = *settings;
  if (cfsetispeed(&changed, *speed) != 0 || cfsetospeed(&changed, *speed) != 0) return false;
  changed.c_cflag &= ~kLineControl;
  changed.c_cflag |= kSizeFlags[dcb.ByteSize - 5] | ParityFlags(dcb.Parity);
  if (dcb.StopBits == TWOSTOPBITS) changed.c_cflag |= CSTOPB;
  if (dcb.fOutxCtsFlow) changed.c_cflag |= CRTSCTS;
  changed.c_iflag &= ~kLineInput;
  if (dcb.fParity) changed.c_iflag |= INPCK;
  if (dcb.fOutX) changed.c_iflag |= IXON;
  if (dcb.fInX) changed.c_iflag |= IXOFF;
  changed.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
  changed.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
  *settings = changed;
  return true;
}

bool SameLineSettings(const termios& wanted, const termios& actual) {
  return cfgetispeed(&wanted) == cfgetispeed(&actual) &&
         cfgetospeed(&wanted) == cfgetospeed(&actual) &&
         (wanted.c_cflag & kLineControl) == (actual.c_cflag & kLineControl) &&
         (wanted.c_iflag & kLineInput) == (actual.c_iflag & kLineInput) &&
         wanted.c_cc[VSTART] == actual.c_cc[VSTART] && wanted.c_cc[VSTOP] == actual.c_cc[VSTOP];
}

}  // namespace platform
