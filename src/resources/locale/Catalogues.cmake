# The gettext catalogues of the text domain "default": each <language>.po here is compiled with
# msgfmt into locale/<language>/LC_MESSAGES/default.mo beside the program, where the program
# looks for it, and installed to the same place beside the installed program.
include(GNUInstallDirs)
find_program(CORVANE_MSGFMT msgfmt REQUIRED)
file(GLOB CORVANE_CATALOGUE_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.po)
set(CORVANE_CATALOGUES)
foreach(po IN LISTS CORVANE_CATALOGUE_SOURCES)
    get_filename_component(language ${po} NAME_WE)
    # The program is built in the folder of the file that includes this one.
    set(folder ${CMAKE_CURRENT_BINARY_DIR}/locale/${language}/LC_MESSAGES)
    add_custom_command(
        OUTPUT ${folder}/default.mo
        COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
        COMMAND ${CORVANE_MSGFMT} --check -o ${folder}/default.mo ${po}
        DEPENDS ${po}
        COMMENT "Compiling the ${language} message catalogue"
        VERBATIM)
    list(APPEND CORVANE_CATALOGUES ${folder}/default.mo)
    install(FILES ${folder}/default.mo DESTINATION ${CORVANE_INSTALL_PROGRAM_DIR}/locale/${language}/LC_MESSAGES)
endforeach()
add_custom_target(corvane_catalogues ALL DEPENDS ${CORVANE_CATALOGUES})
add_dependencies(corvane-diagnostic corvane_catalogues)
