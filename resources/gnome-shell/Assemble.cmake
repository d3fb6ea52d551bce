# Writes one copy of Kelvaro's GNOME Shell extension as a Shell of one kind
# loads it: the variant's entry and metadata, and the shared service.js, to
# which the ES module variant adds its export line.
# cmake -DSOURCE=<resources/gnome-shell> -DVARIANT=legacy|modules -DOUTPUT=<folder> -P Assemble.cmake
file(MAKE_DIRECTORY ${OUTPUT})
file(COPY ${SOURCE}/${VARIANT}/extension.js ${SOURCE}/${VARIANT}/metadata.json DESTINATION ${OUTPUT})
file(READ ${SOURCE}/service.js service)
if(EXISTS ${SOURCE}/${VARIANT}/service-export.js)
    file(READ ${SOURCE}/${VARIANT}/service-export.js export_line)
    string(APPEND service "${export_line}")
endif()
file(WRITE ${OUTPUT}/service.js "${service}")
