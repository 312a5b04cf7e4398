// A program that runs a path itself instead of through the run driver.
#include "model/PathLoop.h"
