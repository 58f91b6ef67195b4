#pragma once
// An MDI child that may refuse to let the main window close: a designer with
// unsaved work, a firmware window in the middle of a load. When the main window
// closes it asks every child that implements this before anything is saved or
// closed; one refusal stops the shutdown.

class CloseQuery {
public:
    virtual ~CloseQuery() = default;
    // Returns false to keep the program running.
    virtual bool FormCloseQuery() = 0;
};
