// Finding a model's picture in the product image folder, and other small text rules of the console.
#pragma once

#include <QString>

// The path of the first ".bmp" in dir whose name holds the model's letter prefix and either the
// model name without its system suffix or its number part; "" when none.
QString FindModelPicture(const QString& model, const QString& dir);

// Whether a window title names that agent: the whole title, or, when it holds a "-", the text
// two characters after its last "-" (a caption such as "Network - 10.0.0.1"), case-insensitively.
bool TitleNamesAgent(const QString& title, const QString& agent);

// The caption of a failed request: the nick up to its first ":" (the whole nick without one).
QString NickAddress(const QString& nick);
