// The commands of kelvara-db, in the order the overview lists them. Each one is defined
// in its own <Name>Command.cpp as `const Command <name>Command`; adding a command is one
// line here. Included with KELVARA_DB_COMMAND defined; no include guard on purpose.
KELVARA_DB_COMMAND(init)
KELVARA_DB_COMMAND(generate)
KELVARA_DB_COMMAND(export)
KELVARA_DB_COMMAND(import)
KELVARA_DB_COMMAND(check)
KELVARA_DB_COMMAND(backup)
KELVARA_DB_COMMAND(migrate)
KELVARA_DB_COMMAND(copy)
KELVARA_DB_COMMAND(constrain)
