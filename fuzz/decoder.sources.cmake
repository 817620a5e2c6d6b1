twk_fuzz(decoder decoder_fuzz.cpp corpus/decoder)
