# FFmpeg's side of Cinepak and the camera-like test frames, shared by the tests and the benchmark
# programs (either may be configured without the other, so whichever comes first defines it).
if(NOT TARGET tesmira_media_kit)
    file(GLOB media_kit_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
    add_library(tesmira_media_kit STATIC ${media_kit_sources})
    target_include_directories(tesmira_media_kit PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
    target_link_libraries(tesmira_media_kit PUBLIC tesmira_media)
endif()
