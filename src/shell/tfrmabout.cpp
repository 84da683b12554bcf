#include "shell/tfrmabout.h"
