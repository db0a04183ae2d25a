# fish completion for tarvik-cli: its commands, each command's flags, the browsers
# --cookies-from-browser reads, and files or folders where a flag takes one.

set -l commands links download article
complete -c tarvik-cli -f
complete -c tarvik-cli -n "not __fish_seen_subcommand_from $commands" -a links -d 'List what a page links to'
complete -c tarvik-cli -n "not __fish_seen_subcommand_from $commands" -a download -d 'Download what a page links to'
complete -c tarvik-cli -n "not __fish_seen_subcommand_from $commands" -a article -d "Print the text of the page's main content"
complete -c tarvik-cli -n "not __fish_seen_subcommand_from $commands" -l help -d 'Print the usage'
complete -c tarvik-cli -n "not __fish_seen_subcommand_from $commands" -l version -d 'Print the version'

set -l reading "__fish_seen_subcommand_from links download"
complete -c tarvik-cli -n $reading -l modern -d 'Read by the modern rules'
complete -c tarvik-cli -n $reading -l classic -d 'Read by the classic rules'
complete -c tarvik-cli -n $reading -l follow -d 'Read the pages behind the gallery'
complete -c tarvik-cli -n $reading -l json -d 'One JSON object a line'
complete -c tarvik-cli -n $reading -l next-pages -x -d 'Read up to N next pages (0-1000)'
complete -c tarvik-cli -n $reading -l all -d 'Every row'
complete -c tarvik-cli -n $reading -l pictures -d 'The content pictures'
complete -c tarvik-cli -n $reading -l all-pictures -d 'Every picture'
complete -c tarvik-cli -n $reading -l jpegs -d 'The JPEG rows'
complete -c tarvik-cli -n $reading -l movies -d 'The movie rows'
complete -c tarvik-cli -n $reading -l probe -d "Ask for each picture's real size"
complete -c tarvik-cli -n $reading -l min-size -x -d 'Leave out smaller pictures (WxH)'
complete -c tarvik-cli -n $reading -l cookies -r -F -d 'Send the cookies of a cookies.txt'
complete -c tarvik-cli -n $reading -l cookies-from-browser -x -a 'firefox chromium chrome brave' -d "Send a browser's cookies"
complete -c tarvik-cli -n $reading -l user-agent -x -d 'Send this User-Agent'
complete -c tarvik-cli -n $reading -l timeout -x -d 'Give up on a silent server (seconds)'
complete -c tarvik-cli -n $reading -s i -l input-file -r -F -d 'Read the addresses from a file'
complete -c tarvik-cli -n "__fish_seen_subcommand_from links" -l title -d 'Print the page title first'

set -l download "__fish_seen_subcommand_from download"
complete -c tarvik-cli -n $download -s q -l quiet -d 'No progress line and no summary'
complete -c tarvik-cli -n $download -s d -s P -l dir -x -a '(__fish_complete_directories)' -d 'Download into this folder'
complete -c tarvik-cli -n $download -s j -l threads -x -d 'Downloads at once (1-16)'
complete -c tarvik-cli -n $download -l per-server -x -d 'Downloads at once from one server (0-16)'
complete -c tarvik-cli -n $download -l limit-rate -x -d 'Bytes a second for all downloads (500k, 2M)'
complete -c tarvik-cli -n $download -l keep-identical -d 'Keep files whose bytes another has'
complete -c tarvik-cli -n $download -l flat -d 'No folder per server'
complete -c tarvik-cli -n $download -l name -x -d 'Name the files by a mask'

complete -c tarvik-cli -n "__fish_seen_subcommand_from article" -l kind -d 'Print the kind of page first'
