#include "script/script_writer.h"
