#pragma once

#include "stylerecords.h"

#include <QFont>

// The application's default font family with the record's size and decorations.
QFont fontFromStyle(const FontStyle &style);
