twk_fuzz(log_codec log_codec_fuzz.cpp corpus/log_codec)
