# corvane_sim: the I/O-free meter model, its fault switches, and the in-process
# port and the virtual clock for tests (never linked into the program).
file(GLOB sim_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/Meter*.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/Meter*.h ${CMAKE_CURRENT_SOURCE_DIR}/SimSerialPort.*
     ${CMAKE_CURRENT_SOURCE_DIR}/FaultSwitch.*
     ${CMAKE_CURRENT_SOURCE_DIR}/VirtualWaiter.*)
add_library(corvane_sim STATIC ${sim_sources})
target_include_directories(corvane_sim PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(corvane_sim PUBLIC corvane_link Qt6::Core)

# corvane-sim: the model served on a pseudo-terminal (POSIX only).
if(UNIX AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp)
    add_executable(corvane-sim ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp
                               ${CMAKE_CURRENT_SOURCE_DIR}/PtyServer.cpp
                               ${CMAKE_CURRENT_SOURCE_DIR}/PtyServer.h)
    target_link_libraries(corvane-sim PRIVATE corvane_sim)
endif()
