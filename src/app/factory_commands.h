#pragma once
// The factory menu's tools as the main window runs them: the open dialogs and the
// message boxes around the modem-type file maker and the loader-to-text converter.

class MainWindowServices;

// "Make smf": an export chosen in the program's folder becomes the modem-type file
// of its type there.
void MakeSmfFromDialogs(MainWindowServices& mainWindow);

// "Loader to hex": an S-record loader becomes a ".bin" image, then a chosen ".bin"
// image a ".txt" of byte constants. The second dialog starts at the stored loader
// path, and the chosen image is stored there.
void LoaderToHexText(MainWindowServices& mainWindow);
