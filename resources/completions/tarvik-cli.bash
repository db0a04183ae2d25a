# bash completion for tarvik-cli: its commands, each command's flags, the browsers
# --cookies-from-browser reads, and files or folders where a flag takes one.

_tarvik_cli() {
    local cur prev words cword
    _init_completion || return

    if ((cword == 1)); then
        COMPREPLY=($(compgen -W 'links download article --help --version' -- "$cur"))
        return
    fi
    case $prev in
    -d | -P | --dir)
        _filedir -d
        return
        ;;
    -i | --input-file | --cookies)
        _filedir
        return
        ;;
    --cookies-from-browser)
        COMPREPLY=($(compgen -W 'firefox chromium chrome brave' -- "$cur"))
        return
        ;;
    -j | --threads | --per-server | --next-pages | --timeout | --min-size | --limit-rate | \
        --user-agent | --name)
        return # a number or a text of the user's
        ;;
    esac

    local reading='--modern --classic --follow --json --next-pages --all --pictures
        --all-pictures --jpegs --movies --probe --min-size --cookies --cookies-from-browser
        --user-agent --timeout -i --input-file'
    local flags
    case ${words[1]} in
    links) flags="$reading --title" ;;
    download) flags="$reading -q --quiet -d -P --dir -j --threads --per-server --limit-rate
        --keep-identical --flat --name" ;;
    article) flags='--kind' ;;
    *) return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$flags" -- "$cur"))
    fi
} && complete -F _tarvik_cli tarvik-cli
