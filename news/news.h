// news/ talks to the outside: the HTTP worker threads, the conversion of the news service's
// answer into the local news document, and the update check.
#pragma once
