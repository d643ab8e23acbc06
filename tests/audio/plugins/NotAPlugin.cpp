// A shared object named like a plug-in but without the plug-in entry.
extern "C" __attribute__((visibility("default"))) int quillmere_something_else(void)
{
    return 42;
}
