#include "gpx_command.h"

#include "answers_log.h"

#include "core/gpx_export.h"

#include "platform/system/private_files.h"

#include <cstdio>
#include <unistd.h>

namespace {

bool writeFile(const std::string& path, const std::string& bytes, std::string* reason) {
    std::string temporary;
    const int fd = platform::CreateTemporaryBeside(path, &temporary, reason);
    if (fd < 0) {
        return false;
    }
    if (!platform::WriteAll(fd, bytes.data(), bytes.size())) {
        *reason = temporary + ": cannot write it";
        close(fd);
        unlink(temporary.c_str());
        return false;
    }
    return platform::CommitTemporary(fd, temporary, path, platform::NewFileMode(), reason);
}

} // namespace

int ExportGpx(const GpxExportOptions& options) {
    core::GpxFilter filter;
    filter.number = options.number;
    if (!options.since.empty() && !core::ParseSinceDate(options.since, &filter.since)) {
        std::fprintf(stderr,
                     "tarvo: --since takes a date as 2026-12-09 or 2026-12-09T14:58:41Z, "
                     "not %s\n",
                     options.since.c_str());
        return 2;
    }
    AnswersLog& log = TheAnswersLog();
    std::size_t points = 0;
    const std::string gpx = core::GpxDocument(log.answers(), filter, &points);
    std::string reason;
    if (!writeFile(options.file, gpx, &reason)) {
        std::fprintf(stderr, "tarvo: %s not written: %s\n", options.file.c_str(), reason.c_str());
        return 1;
    }
    std::printf("tarvo: %zu positions of %zu answers in %s written to %s\n", points,
                log.answers().size(), log.path().c_str(), options.file.c_str());
    return 0;
}
