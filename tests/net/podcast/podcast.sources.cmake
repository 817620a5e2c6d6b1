twk_test(podcast_test CORE podcast_test.cpp)
twk_test(podcast_xml_test WIN podcast_xml_test.cpp ../../support/win_test_support.cpp)
twk_test(feed_download_test WIN feed_download_test.cpp ../../support/win_test_support.cpp)

# The large feeds are generated at build time rather than committed.
set(feeds "${CMAKE_BINARY_DIR}/podcast-feeds")
if(TARGET podcast_xml_test)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(outputs "${feeds}/episodes5000.xml" "${feeds}/episodes300.xml" "${feeds}/over8mb.xml"
      "${feeds}/huge_description.xml")
  add_custom_command(OUTPUT ${outputs}
    COMMAND Python3::Interpreter "${CMAKE_SOURCE_DIR}/tools/make-podcast-feeds.py" "${feeds}"
    DEPENDS "${CMAKE_SOURCE_DIR}/tools/make-podcast-feeds.py"
    COMMENT "Generating the large podcast feeds")
  add_custom_target(podcast_feeds DEPENDS ${outputs})
  add_dependencies(podcast_xml_test podcast_feeds)
  target_compile_definitions(podcast_xml_test PRIVATE TWK_PODCAST_FEEDS="Z:${feeds}")
endif()
# The loopback server serves the test feeds and the generated ones by their Linux paths.
if(TARGET feed_download_test AND TARGET podcast_feeds)
  add_dependencies(feed_download_test podcast_feeds)
  target_link_libraries(feed_download_test PRIVATE twk_test_server)
  target_compile_definitions(feed_download_test PRIVATE
    TWK_UNIX_PODCAST_DATA="${CMAKE_SOURCE_DIR}/tests/data/podcast"
    TWK_UNIX_PODCAST_FEEDS="${feeds}")
endif()
