twk_fuzz(http http_fuzz.cpp corpus/http)
