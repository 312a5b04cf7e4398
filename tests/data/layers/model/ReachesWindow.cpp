// A model routine that reaches into a window.
#include "model/Agent.h"
#include "ui/MainWindow.h"
