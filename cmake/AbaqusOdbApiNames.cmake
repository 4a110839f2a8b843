# What the Linux (and Windows) build of an ODB API program takes from the vendor: the compile definitions of
# compile_cpp in the environment file lnx86_64.env (with g++), and the libraries of code/bin
# that such a program links, in their link order. Used by AbaqusOdbApi.cmake and by the fake
# installation of scripts/fake-abaqus-install. _DEFAULT_SOURCE is ours: today's glibc warns
# about _BSD_SOURCE alone (our -Werror stops on it) and takes _DEFAULT_SOURCE as its successor.
if(WIN32)
  # compile_cpp of the Windows environment file win86_64.env (with cl), without the
  # compiler's own options (/W0 /MD /TP /EHsc).
  set(ABAQUS_ODB_API_DEFINITIONS NDEBUG WIN32 TP_IP _CONSOLE NTI FLT_LIC OL_DOC __LIB__ HKS_NT
    ABQ_NTI_NET FAR= _WINDOWS ABQ_WIN86_64)
else()
  set(ABAQUS_ODB_API_DEFINITIONS _DEFAULT_SOURCE
    TYPENAME=typename _LINUX_SOURCE ABQ_LINUX ABQ_LNX86_64 SMA_GNUC FOR_TRAIL HAS_BOOL
    ASSERT_ENABLED _BSD_TYPES _BSD_SOURCE _GNU_SOURCE _POSIX_SOURCE _XOPEN_SOURCE_EXTENDED
    _XOPEN_SOURCE HAVE_OPENGL HKS_OPEN_GL GL_GLEXT_PROTOTYPES MULTI_THREADING_ENABLED _REENTRANT
    ABQ_MPI_SUPPORT BIT64 _LARGEFILE64_SOURCE _FILE_OFFSET_BITS=64)
endif()
set(ABAQUS_ODB_API_DEFAULT_LIBRARIES
  ABQSMAOdbDdbOdb ABQSMAOdbApi ABQSMAOdbCore ABQSMAOdbCoreGeom ABQSMAOdbAttrEO
  ABQSMAAbuBasicUtils ABQSMABasShared ABQSMABasCoreUtils ABQSMAStiCAE_StableTime ABQSMABasMem
  ABQSMAAbuGeom ABQSMARomDiagEx ABQSMASspUmaCore ABQSMASimInterface ABQSMAMtxCoreModule)
