#pragma once
// The x86 branch filter, decoding direction: the kit turned the relative
// targets of CALL (E8) and JMP (E9) into absolute ones, which repeat more
// and pack better; this turns them back. The stream starts at offset 0
// and the whole block is one stream: the last four bytes are never the
// start of a converted instruction.
#include <cstddef>
#include <cstdint>

void UndoX86Filter(std::uint8_t* data, std::size_t size);
