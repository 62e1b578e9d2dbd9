# fish completion for vantrel: its options, the dialog's bracketed entries after -f and -d,
# directory names after -d, project files after --project. Tested by
# tests/packaging/install_test.sh.

function __vantrel_file_types
    printf '%s\tFile types entry\n' '[Source Files (.c;.cpp;.cc)]' '[Header Files (.h;.hpp;.rh)]' \
        '[All Source Files(.c;.cpp;.cc;.h;.hpp;.def)]' '[Resource Files (.rc;.dlg)]' \
        '[Script Files(.spp;.kbd)]' '[Text Files(.txt;.log)]'
end

function __vantrel_directories
    printf '%s\tDirectories entry\n' '[Current Directory]' '[Current Path]' '[Selected Nodes]'
    __fish_complete_directories (commandline -ct)
end

complete -c vantrel -s t -x -d 'The text (or pattern) to find'
complete -c vantrel -s f -x -a '(__vantrel_file_types)' -d 'File types'
complete -c vantrel -s d -x -a '(__vantrel_directories)' -d 'Directories'
complete -c vantrel -s s -d 'Case sensitive'
complete -c vantrel -s r -d 'Recurse into subdirectories (or child nodes)'
complete -c vantrel -s e -d 'The text is a regular expression'
complete -c vantrel -s a -d 'Asynchronous search (on a worker thread)'
complete -c vantrel -s w -d 'Whole words only'
complete -c vantrel -l options -x -d 'Set all five boxes from the bits of N'
complete -c vantrel -l project -r -F -d 'Open the project described by a JSON file'
complete -c vantrel -l select -x -d 'Select the project nodes of that name'
complete -c vantrel -l format -x -a 'text json vimgrep' -d 'Output format'
complete -c vantrel -s A -x -d 'Show N lines after each hit'
complete -c vantrel -s B -x -d 'Show N lines before each hit'
complete -c vantrel -s C -x -d 'Show N lines around each hit'
complete -c vantrel -s l -d 'List each file with a hit once'
complete -c vantrel -s c -d 'Print FILE:COUNT for each file with hits'
complete -c vantrel -l windows-paths -d 'Show file paths as the add-on gives them'
complete -c vantrel -l no-ignore -d 'Search what ignore files name too'
complete -c vantrel -l exclude -x -d 'Pass over entries the glob matches'
complete -c vantrel -l hidden -d 'Search dot-files and dot-folders too'
complete -c vantrel -l max-filesize -x -d 'Search files smaller than N bytes in this run'
complete -c vantrel -s h -l help -d 'Show the help and exit'
complete -c vantrel -l version -d "Show the add-on's version and exit"
