#pragma once
// The printer that the main window shares with every window, and the one message
// for a print job that could not start.

class QPrinter;

// None while the program has no main window.
QPrinter* SharedPrinter();
// Tells the user when a print job could not start on the printer.
void ReportPrinted(bool printed);
