// Six-word encoding of a 64-bit key (RFC 2289): 6 x 11 bits carry the key and
// a 2-bit checksum.
#pragma once

// The RFC 2289 dictionary in index order, in capitals. Slots of 1-3 letter
// words are zero-padded; 4-letter words fill their slot with no terminator.
// Entries 0-570 (short words) and 571-2047 (4-letter words) are each sorted.
extern const char WordTable[2048][4];

// Bit n is bit 7 - n % 8 of byte n / 8. Reads the three bytes from start / 8,
// so they must exist. length 1 to 16; others give 0.
unsigned ExtractBits(const unsigned char* bytes, int start, int length);

// ORs value into the field, which must be zero before. Touches up to three bytes
// from start / 8. length 1 to 16.
void InsertBits(unsigned char* bytes, unsigned value, int start, int length);

// Writes six capital words separated by single spaces into text (30 bytes at
// least) and returns text.
char* EncodeSixWords(char* text, const unsigned char key[8]);

// Binary search of word (capitals, zero-terminated) in WordTable[low..high].
// Returns the index or -1.
int FindWord(const char* word, int low, int high);

// Returns 1 and sets key; 0: a word is not in the dictionary; -1: no text, fewer
// than six words or a word of the wrong length; -2: checksum mismatch. Only the
// first 64 characters are read. Lower case is accepted, and inside a word 1, 0
// and 5 read as L, O and S. The key is zero on every failure but the first.
int DecodeSixWords(unsigned char key[8], const char* text);
