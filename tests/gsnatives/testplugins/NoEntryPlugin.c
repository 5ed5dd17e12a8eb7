/* A test plug-in without the entry point. */
int VNINotTheEntryPoint(void) { return 1; }
