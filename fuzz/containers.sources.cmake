twk_fuzz(mp4 mp4_fuzz.cpp corpus/mp4)
twk_fuzz(asf asf_fuzz.cpp corpus/asf)
