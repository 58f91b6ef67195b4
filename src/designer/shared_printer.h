#pragma once
// The printer that the main window shares with every window, and the one message
// for a print job that could not start.

class QPainter;
class QPrinter;

// None while the program has no main window.
QPrinter* SharedPrinter();
// Begins a print job on the printer. A file printer without a file name fails at
// once: Qt would leave it marked active, refusing every later setting (the file
// of "Print to file" among them) until the program ends.
bool BeginPrinting(QPainter& painter, QPrinter& printer);
// Tells the user when a print job could not start on the printer.
void ReportPrinted(bool printed);
