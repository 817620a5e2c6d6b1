// The measuring mode's one line of output: how long the process took to its first paint.
#pragma once

// Milliseconds from the process's creation to now.
double millisecondsSinceProcessStart();

// Notes the time a stage of the start ended, for the measuring mode's breakdown (at most the
// first 24 stages; `name` must outlive the process, a literal).
void markStartupStage(const char* name);

// Writes "first_paint_ms=<ms>\r\n" (now, or the time given) to standard output (followed by a
// "stages_ms=<name>:<ms> ..." line of the marked stages when TWK_STARTUP_STAGES is set) or, without
// one, to the parent's console; writes nothing when neither is there.
void writeStartupTime(double firstPaintMs = -1);
