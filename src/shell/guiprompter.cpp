#include "shell/guiprompter.h"
