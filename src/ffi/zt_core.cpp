// zt_core.cpp
