// A loadable library that is not a VST 3 module: it exports no factory.
#if defined(_WIN32)
#define EMPTY_MODULE_EXPORT extern "C" __declspec(dllexport)
#else
#define EMPTY_MODULE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

EMPTY_MODULE_EXPORT int EmptyModuleMarker() {
    return 1;
}
