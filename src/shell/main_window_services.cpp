#include "shell/main_window_services.h"

MainWindowServices* Pohjafrm = nullptr;
