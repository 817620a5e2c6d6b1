twk_fuzz(radio radio_fuzz.cpp corpus/radio)
