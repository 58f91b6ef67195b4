#pragma once
// A display of the test's own with a window manager on it: Xvfb on a free display
// number (the server picks it and reports it) and openbox managing it. Windows
// shown there meet what a user's desktop does to them: stacking layers, focus
// given by the window manager, captions drawn in the title bar. Both programs end
// with the session.

#include <string>
#include <sys/types.h>

class XDisplaySession {
public:
    // Starts the server and the window manager; throws std::runtime_error when
    // either does not come up in time.
    XDisplaySession();
    ~XDisplaySession();
    XDisplaySession(const XDisplaySession&) = delete;
    XDisplaySession& operator=(const XDisplaySession&) = delete;

    // The display's name, e.g. ":5".
    const std::string& Display() const { return display_; }

private:
    pid_t server_ = -1;
    pid_t manager_ = -1;
    std::string display_;
};
