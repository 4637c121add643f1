# Run by `cmake --install` and cpack (see install.cmake): installs the Python
# package keltrane into the module folder of the prefix being installed to,
# which is known only now (--prefix, cpack's /usr).  Debian's python3 finds
# lib/python3/dist-packages under /usr and lib/python3.X/dist-packages under
# /usr/local; other prefixes take the second form too.  The package finds
# the libraries and the host through the paths _layout.py gives relative to
# itself, so the installed tree may move.
if(KT_PYTHON_DIR)
  set(kt_dir "${KT_PYTHON_DIR}")
elseif(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(kt_dir lib/python3/dist-packages)
else()
  set(kt_dir lib/python${KT_PYTHON_VERSION}/dist-packages)
endif()
file(RELATIVE_PATH kt_to_prefix "/x/${kt_dir}/keltrane" "/x")
file(WRITE "${KT_PYTHON_STAGE}/_layout.py"
  "# Written by the installation: where the libraries and the host are.\n"
  "PREFIX = \"${kt_to_prefix}\"  # relative to this folder\n"
  "LIBDIR = \"${KT_PYTHON_LIBDIR}\"\n"
  "BINDIR = \"${KT_PYTHON_BINDIR}\"\n")
file(GLOB kt_sources "${KT_PYTHON_SOURCE}/*.py")
file(INSTALL ${kt_sources} "${KT_PYTHON_STAGE}/_layout.py" DESTINATION "${CMAKE_INSTALL_PREFIX}/${kt_dir}/keltrane")
