#pragma once
#include "low/a.h"
#include "low/b.h"
