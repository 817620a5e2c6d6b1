twk_fuzz(cd cd_fuzz.cpp corpus/cd)
