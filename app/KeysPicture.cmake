# The picture of the unit's keys (Image1): keys.jpg built into the program as the resource
# ":/keys.jpg" and decoded by carecfg_jpeg. Included by app/CMakeLists.txt after carecfg_app.
target_sources(carecfg_app PRIVATE ${CMAKE_CURRENT_LIST_DIR}/KeysPicture.cpp)
target_link_libraries(carecfg_app PUBLIC carecfg_jpeg)
qt_add_resources(carecfg_app carecfg_keys PREFIX "/" BASE ${CMAKE_CURRENT_LIST_DIR}
                 FILES ${CMAKE_CURRENT_LIST_DIR}/keys.jpg)
