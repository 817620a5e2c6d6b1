// The measuring mode's one line of output: how long the process took to its first paint.
#pragma once

// Milliseconds from the process's creation to now.
double millisecondsSinceProcessStart();

// Writes "first_paint_ms=<ms>\r\n" to standard output or, without one, to the parent's
// console; writes nothing when neither is there.
void writeStartupTime();
