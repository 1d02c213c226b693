// The smallest library the console takes for a service plug-in.
extern "C" __attribute__((visibility("default"))) const char* const* GetServiceList() {
    static const char* const list[] = {"TEST-SERVICE", nullptr};
    return list;
}
