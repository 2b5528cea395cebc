#pragma once

#include <QtGlobal>

// The real serial port of the platform Corvane is built for: QSerialPort's on
// Linux, the Win32 communications API on Windows. Both take a resolver that
// names the device behind a Com number.
#ifdef Q_OS_WIN
#include "WinSerialPort.h"
using PlatformSerialPort = WinSerialPort;
#else
#include "QtSerialPort.h"
using PlatformSerialPort = QtSerialPort;
#endif
