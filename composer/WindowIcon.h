#pragma once

#include <QIcon>

// The letter icon of the program, in every size kept in the resources.
QIcon korvaneClientIcon();
