/* Stands in for LibreOffice's soffice.exe in the Windows print tests: writes its arguments, one a
   line, to tarnelo-fake-soffice.txt in %TEMP%, and fails (exit 3) when the last argument names a
   workbook with "refused" in its name. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv) {
    const char* temp = getenv("TEMP");
    char name[4096];
    FILE* out;
    int i;
    if (temp == NULL) {
        return 2;
    }
    snprintf(name, sizeof name, "%s\\tarnelo-fake-soffice.txt", temp);
    out = fopen(name, "w");
    if (out == NULL) {
        return 2;
    }
    for (i = 1; i < argc; ++i) {
        fprintf(out, "%s\n", argv[i]);
    }
    fclose(out);
    return argc > 1 && strstr(argv[argc - 1], "refused") != NULL ? 3 : 0;
}
