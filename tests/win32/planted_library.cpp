// A library with one function, planted where the system's libraries are not.
extern "C" __declspec(dllexport) int kv_planted() { return 42; }
