#pragma once
// String-table texts as the widgets take them.

#include <QString>

#include "core/string_table.h"

inline QString UiText(int id) { return QString::fromUtf8(LoadText(id)); }
