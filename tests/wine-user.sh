# Who runs Wine for a build, and where its prefix lives; sourced by wine-run.sh and stop-wine.sh.
#
# Run by root, Wine lets a program write a Read-only file, which Windows refuses. So when root
# calls, the programs run as an ordinary user, vandrel-test (made when missing), and the prefix
# belongs to that user. The prefix stays in the build tree when that user can reach it; when a
# parent folder keeps the user out, the prefix and a copy of the build's programs live in a
# folder of its own under /var/tmp/vandrel-wine instead. A program shown on a person's own
# display keeps root, as that display may admit no one else.

wine_user_name=vandrel-test
wine_stage_root=/var/tmp/vandrel-wine

# Runs a command as the Wine user, with that user's HOME; a daemon it starts keeps the user too.
as_wine_user() {
    if [ "$wine_user" = "$(id -un)" ]; then
        "$@"
    else
        setpriv --reuid="$wine_user" --regid="$(id -g "$wine_user")" --init-groups \
            env HOME="$wine_home" USER="$wine_user" LOGNAME="$wine_user" "$@"
    fi
}

# Stops the wineserver of a prefix. It runs as the prefix's owner, as only the owner may reach it.
stop_wineserver_of() {
    local prefix=$1 owner
    owner=$(stat -c %U "$prefix" 2>/dev/null) || return 0
    if [ "$owner" = "$(id -un)" ]; then
        WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
    elif [ "$(id -u)" -eq 0 ]; then
        WINEPREFIX="$prefix" setpriv --reuid="$owner" --regid="$(id -g "$owner")" --init-groups \
            wineserver -k >/dev/null 2>&1 || true
    fi
}

# Makes the Wine user and its home when missing; false when that cannot be done.
ensure_wine_user() {
    if ! id -u "$wine_user_name" >/dev/null 2>&1; then
        # Another run may make the user at the same moment.
        useradd --system --user-group --home-dir "/var/lib/$wine_user_name" --shell /usr/sbin/nologin \
            "$wine_user_name" >/dev/null 2>&1 || id -u "$wine_user_name" >/dev/null 2>&1 || return 1
    fi
    local home
    home=$(getent passwd "$wine_user_name" | cut -d: -f6)
    [ -n "$home" ] || return 1
    if [ ! -d "$home" ]; then
        mkdir -p "$home" && chown "$wine_user_name:$(id -gn "$wine_user_name")" "$home" || return 1
    fi
    wine_home=$home
}

# The stage folder of a build: the same build always gets the same one.
wine_stage_for() {
    printf '%s/%s' "$wine_stage_root" "$(printf '%s' "$1" | md5sum | cut -c1-16)"
}

# Removes the stage folders whose build tree has gone, so that fresh clones do not pile up
# prefixes. Their wineservers are stopped first.
remove_orphaned_stages() {
    local stage
    for stage in "$wine_stage_root"/*/; do
        stage=${stage%/}
        [ -f "$stage/.build" ] || continue
        [ -d "$(cat "$stage/.build")" ] && continue
        stop_wineserver_of "$stage/wineprefix"
        rm -rf "$stage"
    done
}

# Points wine_programs and wine_prefix at the stage folder of the build $1, made when missing.
# The stage root must be root's own, so that no one else can steer where root writes.
use_stage_for() {
    local stage
    stage=$(wine_stage_for "$1")
    if [ ! -d "$stage" ]; then
        mkdir -p -m 755 "$wine_stage_root" 2>/dev/null || return 1
        [ -O "$wine_stage_root" ] && [ ! -L "$wine_stage_root" ] || return 1
        echo "wine-run.sh: $wine_user cannot reach $1; its Wine prefix and programs are kept in $stage" >&2
        remove_orphaned_stages
        mkdir -m 755 "$stage" || return 1
    fi
    [ -O "$stage" ] && [ ! -L "$stage" ] || return 1
    printf '%s\n' "$1" > "$stage/.build"
    wine_programs=$stage
    wine_prefix=$stage/wineprefix
}

# Sets wine_user, wine_home, wine_prefix and wine_programs (the folder the programs run from)
# for the build folder $1.
choose_wine_user() {
    local build=$1
    wine_programs=$build
    wine_prefix=$build/wineprefix
    wine_user=$(id -un)
    wine_home=${HOME:-}
    [ "$(id -u)" -eq 0 ] && [ -z "${DISPLAY:-}" ] || return 0
    if ! ensure_wine_user; then
        echo "wine-run.sh: the user $wine_user_name could not be made; running as root, where Read-only files do not stop writes" >&2
        return 0
    fi
    wine_user=$wine_user_name
    as_wine_user test -x "$build" -a -r "$build" && return 0
    use_stage_for "$build" && return 0
    echo "wine-run.sh: $wine_user cannot reach $build and no folder could be set up for it under $wine_stage_root; running as root, where Read-only files do not stop writes" >&2
    wine_user=$(id -un)
    wine_home=${HOME:-}
}

# Records the prefix that the build $1 uses, for stop-wine.sh; its owner runs the wineserver.
record_wine_prefix() {
    printf '%s\n' "$wine_prefix" > "$1/.wine-prefix"
}

# A prefix made by another user holds that user's profile (its Temp and Desktop folders, the
# registry naming them), which the Wine user may not write: it is stopped and removed, and the
# Wine user makes a fresh one. The folder is made here, as the user may not write its parent.
give_prefix_to_wine_user() {
    if [ -d "$wine_prefix" ]; then
        [ "$(stat -c %U "$wine_prefix")" = "$wine_user" ] && return 0
        stop_wineserver_of "$wine_prefix"
        rm -rf "$wine_prefix"
    fi
    mkdir -p "$wine_prefix"
    chown "$wine_user:$(id -gn "$wine_user")" "$wine_prefix"
}

# Copies the build's programs that changed into the stage folder, readable by the Wine user.
# A file is replaced by a rename, so a program that is still running keeps its old copy.
stage_programs() {
    local build=$1 program name
    [ "$wine_programs" = "$build" ] && return 0
    for program in "$build"/*.exe; do
        [ -f "$program" ] || continue
        name=${program##*/}
        if [ ! -f "$wine_programs/$name" ] || [ "$program" -nt "$wine_programs/$name" ]; then
            cp -p "$program" "$wine_programs/.$name.new"
            chmod 755 "$wine_programs/.$name.new"  # the build may have been made with a strict umask
            mv -f "$wine_programs/.$name.new" "$wine_programs/$name"
        fi
    done
}
