twk_fuzz(mf mf_fuzz.cpp corpus/mf)
