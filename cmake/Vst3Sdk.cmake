# Steinberg's VST 3 SDK, compiled from its sources into static libraries of
# this build. By default the copy that Debian's juce-modules-source-data
# ships; VST3_SDK_ROOT may point at any other checkout of the same layout.
set(VST3_SDK_ROOT "/usr/share/juce/modules/juce_audio_processors/format_types/VST3_SDK"
    CACHE PATH "Root of the VST 3 SDK (pluginterfaces, base, public.sdk)")
if(NOT EXISTS "${VST3_SDK_ROOT}/pluginterfaces/base/funknown.h")
    message(FATAL_ERROR "VST 3 SDK not found in ${VST3_SDK_ROOT}; run scripts/setup.sh or set VST3_SDK_ROOT")
endif()

set(_sdk "${VST3_SDK_ROOT}")
add_library(vst3sdk STATIC
    ${_sdk}/pluginterfaces/base/conststringtable.cpp
    ${_sdk}/pluginterfaces/base/coreiids.cpp
    ${_sdk}/pluginterfaces/base/funknown.cpp
    ${_sdk}/pluginterfaces/base/ustring.cpp
    ${_sdk}/base/source/baseiids.cpp
    ${_sdk}/base/source/fbuffer.cpp
    ${_sdk}/base/source/fdebug.cpp
    ${_sdk}/base/source/fobject.cpp
    ${_sdk}/base/source/fstreamer.cpp
    ${_sdk}/base/source/fstring.cpp
    ${_sdk}/base/source/updatehandler.cpp
    ${_sdk}/base/thread/source/flock.cpp
    ${_sdk}/public.sdk/source/common/memorystream.cpp
    ${_sdk}/public.sdk/source/common/pluginview.cpp
    ${_sdk}/public.sdk/source/vst/vstbus.cpp
    ${_sdk}/public.sdk/source/vst/vstcomponent.cpp
    ${_sdk}/public.sdk/source/vst/vstcomponentbase.cpp
    ${_sdk}/public.sdk/source/vst/vsteditcontroller.cpp
    ${_sdk}/public.sdk/source/vst/vstinitiids.cpp
    ${_sdk}/public.sdk/source/vst/vstparameters.cpp
    # Ids of the view interfaces, which the SDK declares without defining.
    ${CMAKE_SOURCE_DIR}/vst3/GuiInterfaceIids.cpp
)
# The SDK is third-party code: its headers are system headers for us and its
# warnings are not ours to fix.
target_include_directories(vst3sdk SYSTEM PUBLIC "${_sdk}")
target_compile_definitions(vst3sdk PUBLIC $<IF:$<CONFIG:Debug>,DEVELOPMENT=1,RELEASE=1>)
target_compile_options(vst3sdk PRIVATE -w)
set_target_properties(vst3sdk PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
find_package(Threads REQUIRED)
target_link_libraries(vst3sdk PUBLIC Threads::Threads)
if(WIN32)
    target_link_libraries(vst3sdk PUBLIC ole32)
endif()

# Host-side helpers (host application, interface support, preset files) for
# our own hosts.
add_library(vst3sdk_hosting STATIC
    ${_sdk}/public.sdk/source/vst/hosting/hostclasses.cpp
    ${_sdk}/public.sdk/source/vst/hosting/pluginterfacesupport.cpp
    ${_sdk}/public.sdk/source/vst/vstpresetfile.cpp
)
target_compile_options(vst3sdk_hosting PRIVATE -w)
target_link_libraries(vst3sdk_hosting PUBLIC vst3sdk)
