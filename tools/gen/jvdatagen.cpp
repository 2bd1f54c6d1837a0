#include "gen/jvdatagen.h"
