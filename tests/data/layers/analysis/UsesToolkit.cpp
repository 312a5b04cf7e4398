// A summary that pulls in the window toolkit.
#include <QString>

#include "io/TextFormat.h"
