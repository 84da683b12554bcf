#include "shell/tfrmmain.h"
