twk_fuzz(podcast podcast_fuzz.cpp corpus/podcast)
