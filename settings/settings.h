// settings/ holds the wide string lists, the INI store on top of them and the widget's options.
// Plain C++ without a display: start with the string lists, then the INI store.
#pragma once
