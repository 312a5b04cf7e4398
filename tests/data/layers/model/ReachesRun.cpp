// A model routine that reaches up into the run driver's files.
#include "model/RunState.h"
#include "run/InputFiles.h"
