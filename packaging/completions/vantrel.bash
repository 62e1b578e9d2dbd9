# bash completion for vantrel: its options, the dialog's bracketed entries after -f and -d,
# directory names after -d, project files after --project. Stands alone (no bash-completion
# helpers), so that it also works when sourced by hand. Tested by tests/packaging/install_test.sh.

_vantrel() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=
  ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
  # bash splits "--format=js" at "=": the option is then two words back.
  if [[ $cur == = ]]; then
    cur=
  elif [[ $prev == = ]] && ((COMP_CWORD > 1)); then
    prev=${COMP_WORDS[COMP_CWORD - 2]}
  fi
  # What was typed so far, as the shell will read it: without an opening quote or escapes.
  cur=${cur#[\'\"]}
  cur=${cur//\\/}
  local -a candidates=()
  local candidate
  case $prev in
    -f)
      candidates=('[Source Files (.c;.cpp;.cc)]' '[Header Files (.h;.hpp;.rh)]'
        '[All Source Files(.c;.cpp;.cc;.h;.hpp;.def)]' '[Resource Files (.rc;.dlg)]'
        '[Script Files(.spp;.kbd)]' '[Text Files(.txt;.log)]')
      ;;
    -d)
      candidates=('[Current Directory]' '[Current Path]' '[Selected Nodes]')
      ;;
    --format)
      COMPREPLY=($(compgen -W 'text json vimgrep' -- "$cur"))
      return
      ;;
    --project)
      compopt -o filenames 2>/dev/null
      mapfile -t COMPREPLY < <(compgen -f -- "$cur")
      return
      ;;
    -t | --select | --options | --exclude | -A | -B | -C | --max-filesize)
      return
      ;;
    *)
      if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '-t -f -d -s -r -e -a -w --options= --project= --select=
          --format= -A -B -C -l -c --windows-paths --no-ignore --exclude= --hidden --max-filesize=
          -h --help
          --version' \
          -- "$cur"))
        [[ ${COMPREPLY[0]} == *= ]] && compopt -o nospace 2>/dev/null
      fi
      return
      ;;
  esac
  # The bracketed entries hold blanks and ';': readline quotes them as it quotes file names.
  compopt -o filenames 2>/dev/null
  COMPREPLY=()
  for candidate in "${candidates[@]}"; do
    [[ $candidate == "$cur"* ]] && COMPREPLY+=("$candidate")
  done
  local -a folders=()
  [[ $prev == -d ]] && mapfile -t folders < <(compgen -d -- "$cur")
  COMPREPLY+=("${folders[@]}")
}
complete -F _vantrel vantrel
