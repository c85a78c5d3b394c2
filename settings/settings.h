// settings/ holds the wide string lists, the INI store on top of them and the widget's options.
// Plain C++ without a display: start with the string lists, then the INI store.
#pragma once

#include "settings/hashedlist.h"
#include "settings/inifile.h"
#include "settings/options.h"
#include "settings/unicode.h"
#include "settings/wstrings.h"
