#pragma once
// The designer's own serial port as its programming runs use it.

#include <string>

class ModemPort {
public:
    virtual ~ModemPort() = default;
    // Applies a settings text such as "9600,8,N,1" and the COM number, refusing
    // values the port cannot take with a box, then opens the port (a failure is
    // reported by the port's own box). True when the port is open.
    virtual bool Open(const std::string& settings, int comNumber) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Sends a whole frame; nothing goes out while the port is closed. True when
    // the port took the frame.
    virtual bool Send(const std::string& bytes) = 0;
    // The COM number the port is set to (1 = COM1).
    virtual int ComNumber() const = 0;
};
