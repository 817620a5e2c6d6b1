# The track loader sits above the byte sources, the decoders, the tag reader and the network
# and CD sources it opens tracks through.
twk_win_sources(loader track_loader.cpp)
