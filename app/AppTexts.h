#pragma once

#include <QString>

// Every sentence the program writes on the terminal before its window opens,
// each written once. %1... are filled in by the caller.
enum class AppText {
    UnknownOption,      // %1: the word as typed
    OptionTakesNoValue, // %1: the option's name
    InvalidOptions,
    EmptyArgument,
    NoDisplayVariables,
    NoDisplay, // %1: the program's name, %2: why no display is reachable
    Usage,     // %1: the program's name
};

// The Italian text of id.
QString appText(AppText id);
