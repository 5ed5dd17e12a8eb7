#include "foundation/logfile/DornDataBuffer.h"

DornDataBuffer::~DornDataBuffer() = default;

void DornDataBuffer::Flush() {}
