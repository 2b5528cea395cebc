#include "SerialPort.h"

QString SerialPort::portNumberProblem(int number, bool open, int current) {
    if (number < LowestPort || number > HighestPort)
        return QStringLiteral("Com%1 is not a port number from %2 to %3.")
            .arg(number)
            .arg(LowestPort)
            .arg(HighestPort);
    if (open && number != current)
        return QStringLiteral("Close the serial port before choosing another one.");
    return {};
}
