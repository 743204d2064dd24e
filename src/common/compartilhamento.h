#pragma once

// Where the program's paths live on this machine. A UNC path "\\host\share\rest" is
// the mounted file system whose source is "//host/share" (host and share compared
// without regard to case, any file-system type), or else a gvfs mount
// smb-share:server=host,share=share under $XDG_RUNTIME_DIR/gvfs or, after it,
// /run/user/UID/gvfs. The rest keeps its letter
// case, with '/' for '\', and its code-page-1252 bytes become UTF-8, as the share's
// names are shown by the mount. Any other path is returned as it is.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessela {

struct CaminhoUnc {
    std::string host;
    std::string compartilhamento;
    std::string resto; // with '/' separators, no leading '/'; may be empty
};

// Splits "\\host\share\rest"; nullopt when the text is not a UNC path.
std::optional<CaminhoUnc> AnalisarUnc(std::string_view caminho);

// The mount point of //host/share in a mount table in the format of /proc/self/mounts
// (octal escapes such as \040 decoded); the last matching entry wins, as it hides
// the earlier ones.
std::optional<std::filesystem::path> PontoDeMontagem(std::string_view tabela, std::string_view host,
                                                     std::string_view compartilhamento);

// The gvfs folder of //host/share under raizGvfs, if mounted there.
std::optional<std::filesystem::path> MontagemGvfs(const std::filesystem::path& raizGvfs,
                                                  std::string_view host,
                                                  std::string_view compartilhamento);

// Where gvfs mounts a user's shares: $XDG_RUNTIME_DIR/gvfs (xdgRuntimeDir may be null
// or empty), then /run/user/UID/gvfs, each once, in that order.
std::vector<std::filesystem::path> RaizesGvfs(const char* xdgRuntimeDir, unsigned uid);

// Resolves a path against the given mount table, then the gvfs roots in their order.
// Throws ErroEntradaSaida naming the UNC path when the share is not mounted, or when a
// path that starts with "\\" names no host or no share.
std::filesystem::path ResolverCaminho(std::string_view caminho, std::string_view tabela,
                                      const std::vector<std::filesystem::path>& raizesGvfs);

// Resolves a path against this process's mount table and the user's gvfs folders.
std::filesystem::path CaminhoLocal(std::string_view caminho);

} // namespace tessela
