twk_fuzz(handoff handoff_fuzz.cpp corpus/handoff)
