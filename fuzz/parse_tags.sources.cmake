twk_fuzz(parse_tags parse_tags_fuzz.cpp corpus/parse_tags)
