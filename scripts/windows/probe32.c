/* The smallest 32-bit Windows program that proves Wine ran it: it prints a word and its
   pointer size. */
#include <stdio.h>

int main(void) {
    printf("plinthar-probe %u-bit\n", (unsigned)(sizeof(void*) * 8));
    return 0;
}
