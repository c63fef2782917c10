/* fake-daw.exe: a Windows console program that records takes the way Ableton Live or REAPER
 * names and holds them, so that Quorvel can be tested against a real Windows process under Wine.
 * Built with MinGW; it uses only the Win32 file API, which Wine maps onto plain Linux files.
 *
 * Usage: fake-daw live|reaper FOLDER TAKES TAKE_SECONDS GAP_SECONDS [FIRST_TAKE]
 * FOLDER is the project folder as a Windows path. Every event is one line on stdout. */
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { sampleRate = 48000, tracks = 2, writeIntervalMs = 100, headerBytes = 44 };

static void put32(unsigned char* at, DWORD value)
{
    at[0] = value & 0xff, at[1] = (value >> 8) & 0xff;
    at[2] = (value >> 16) & 0xff, at[3] = value >> 24;
}

static void put16(unsigned char* at, WORD value)
{
    at[0] = value & 0xff, at[1] = value >> 8;
}

/* Writes the 44-byte header of a mono 16-bit PCM file holding dataBytes of samples at offset 0,
 * so the file is a valid WAV between any two appends. */
static BOOL writeHeader(HANDLE file, DWORD dataBytes)
{
    unsigned char header[headerBytes];
    DWORD written = 0;
    memcpy(header, "RIFF", 4), put32(header + 4, 36 + dataBytes), memcpy(header + 8, "WAVE", 4);
    memcpy(header + 12, "fmt ", 4), put32(header + 16, 16), put16(header + 20, 1);
    put16(header + 22, 1), put32(header + 24, sampleRate), put32(header + 28, sampleRate * 2);
    put16(header + 32, 2), put16(header + 34, 16);
    memcpy(header + 36, "data", 4), put32(header + 40, dataBytes);
    return SetFilePointer(file, 0, NULL, FILE_BEGIN) == 0 &&
           WriteFile(file, header, headerBytes, &written, NULL) && written == headerBytes;
}

/* Appends frames of a tone after the dataBytes already written, then updates the header. */
static BOOL appendTone(HANDLE file, DWORD* dataBytes, DWORD frames, double hz)
{
    static short samples[sampleRate];
    DWORD first = *dataBytes / 2, i, written = 0;
    if (frames > sampleRate)
        frames = sampleRate;
    for (i = 0; i < frames; ++i)
        samples[i] = (short)(8000.0 * sin(6.283185307179586 * hz * (first + i) / sampleRate));
    if (SetFilePointer(file, headerBytes + *dataBytes, NULL, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
        !WriteFile(file, samples, frames * 2, &written, NULL) || written != frames * 2)
        return FALSE;
    *dataBytes += frames * 2;
    return writeHeader(file, *dataBytes);
}

static HANDLE openShared(const char* path, DWORD disposition)
{
    return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       NULL, disposition, FILE_ATTRIBUTE_NORMAL, NULL);
}

static void makeFolders(const char* path)
{
    char partial[MAX_PATH];
    size_t i;
    for (i = 0; path[i] && i + 1 < sizeof partial; ++i) {
        partial[i] = path[i];
        partial[i + 1] = 0;
        if ((path[i + 1] == '\\' || path[i + 1] == 0) && i > 2)
            CreateDirectoryA(partial, NULL);
    }
}

int main(int argc, char** argv)
{
    const BOOL live = argc >= 6 && strcmp(argv[1], "live") == 0;
    const char* folder = argc >= 6 ? argv[2] : "";
    const int takes = argc >= 6 ? atoi(argv[3]) : 0;
    const double takeSeconds = argc >= 6 ? atof(argv[4]) : 0, gapSeconds = argc >= 6 ? atof(argv[5]) : 0;
    const int firstTake = argc >= 7 ? atoi(argv[6]) : 1;
    char media[MAX_PATH], path[tracks][MAX_PATH];
    HANDLE project = INVALID_HANDLE_VALUE;
    int take, track;

    if (argc < 6 || (!live && strcmp(argv[1], "reaper") != 0) || takes < 1 || takeSeconds <= 0 ||
        gapSeconds < 0 || firstTake < 1) {
        fprintf(stderr, "usage: fake-daw live|reaper FOLDER TAKES TAKE_SECONDS GAP_SECONDS [FIRST_TAKE]\n");
        return 2;
    }
    snprintf(media, sizeof media, "%s\\%s", folder, live ? "Samples\\Recorded" : "Media");
    makeFolders(media);
    if (!live) {
        /* REAPER holds its project file open for as long as the project is loaded. */
        char rpp[MAX_PATH];
        DWORD written = 0;
        static const char content[] = "<REAPER_PROJECT 0.1 \"fake-daw\" 0\n  RECORD_PATH \"Media\" \"\"\n>\n";
        snprintf(rpp, sizeof rpp, "%s\\Session.RPP", folder);
        project = openShared(rpp, OPEN_ALWAYS);
        if (project == INVALID_HANDLE_VALUE || !WriteFile(project, content, sizeof content - 1, &written, NULL)) {
            fprintf(stderr, "fake-daw: cannot write %s\n", rpp);
            return 1;
        }
    }
    /* Each event reaches the reader as it happens, its line ending in \n alone as on Linux. */
    setvbuf(stdout, NULL, _IONBF, 0);
    _setmode(_fileno(stdout), _O_BINARY);
    printf("started %lu: %s\n", GetCurrentProcessId(), folder);

    for (take = firstTake; take < firstTake + takes; ++take) {
        HANDLE files[tracks];
        DWORD dataBytes[tracks] = {0}, started = GetTickCount();
        SYSTEMTIME now;
        GetLocalTime(&now);
        for (track = 0; track < tracks; ++track) {
            if (live)
                /* Live: "<track> <4-digit count> [YYYY-MM-DD HHMMSS].wav" */
                snprintf(path[track], MAX_PATH, "%s\\%d-Audio %04d [%04d-%02d-%02d %02d%02d%02d].wav",
                         media, track + 1, take, now.wYear, now.wMonth, now.wDay, now.wHour,
                         now.wMinute, now.wSecond);
            else
                /* REAPER's default "$rectag-$tracknumber-$recpass000" with the project as tag. */
                snprintf(path[track], MAX_PATH, "%s\\Session-%02d-%03d.wav", media, track + 1, take);
            files[track] = openShared(path[track], CREATE_ALWAYS);
            if (files[track] == INVALID_HANDLE_VALUE || !writeHeader(files[track], 0)) {
                fprintf(stderr, "fake-daw: cannot create %s\n", path[track]);
                return 1;
            }
        }
        for (track = 0; track < tracks; ++track)
            printf("take %d recording: %s\n", take, path[track]);
        /* Frames follow the clock, so a slow machine writes bigger blocks, not a shorter take. */
        do {
            const DWORD elapsed = GetTickCount() - started;
            const DWORD due = (DWORD)(fmin(elapsed / 1000.0, takeSeconds) * sampleRate);
            for (track = 0; track < tracks; ++track) {
                if (!appendTone(files[track], &dataBytes[track], due - dataBytes[track] / 2, 110.0 * (track + 2))) {
                    fprintf(stderr, "fake-daw: cannot write %s\n", path[track]);
                    return 1;
                }
            }
            Sleep(writeIntervalMs);
        } while (dataBytes[0] / 2 < (DWORD)(takeSeconds * sampleRate));
        for (track = 0; track < tracks; ++track)
            CloseHandle(files[track]);
        printf("take %d stopped\n", take);
        if (take + 1 < firstTake + takes)
            Sleep((DWORD)(gapSeconds * 1000));
    }
    if (project != INVALID_HANDLE_VALUE)
        CloseHandle(project);
    printf("done\n");
    return 0;
}
